# Runs at install time, after the executables are in place: lays out the
# application folder beside the installed program (the photo folder, and an
# empty address book made by norvane-db only where none exists, so that
# installing again never touches a user's contacts), and writes the desktop
# entry that starts it, with the prefix known only now.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(DB_TOOL "${root}/${NORVANE_BINDIR}/norvane-db")
set(APP_DIR "${root}/${NORVANE_LIBDIR}/norvane")
include("${NORVANE_LAYOUT_SCRIPT}")
set(NORVANE_EXEC "${CMAKE_INSTALL_PREFIX}/${NORVANE_LIBDIR}/norvane/norvane")
configure_file("${NORVANE_DESKTOP_TEMPLATE}" "${root}/${NORVANE_DATADIR}/applications/norvane.desktop"
               @ONLY)
message(STATUS "Installing: ${root}/${NORVANE_DATADIR}/applications/norvane.desktop")
