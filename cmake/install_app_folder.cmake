# Runs at install time, after the executables are in place: lays out the
# application folder beside the installed program (the photo folder, and an
# empty address book made by norvane-db only where none exists, so that
# installing again never touches a user's contacts), and writes the desktop
# entry that starts it, with the prefix known only now.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(app "${root}/${NORVANE_LIBDIR}/norvane")
if(NOT EXISTS "${app}/dbVesk.mdb")
    execute_process(COMMAND "${root}/${NORVANE_BINDIR}/norvane-db" create "${app}"
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "norvane-db could not create the address book in ${app}")
    endif()
endif()
if(NOT EXISTS "${app}/IMG")
    file(MAKE_DIRECTORY "${app}/IMG")
    file(CHMOD "${app}/IMG" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endif()
set(NORVANE_EXEC "${CMAKE_INSTALL_PREFIX}/${NORVANE_LIBDIR}/norvane/norvane")
configure_file("${NORVANE_DESKTOP_TEMPLATE}" "${root}/${NORVANE_DATADIR}/applications/norvane.desktop"
               @ONLY)
message(STATUS "Installing: ${root}/${NORVANE_DATADIR}/applications/norvane.desktop")
