#pragma once

#include <QByteArrayView>
#include <QString>

namespace norvane {

// Text whose character set no one named (a vCard value without CHARSET, a
// CSV field): UTF-8 when it is valid UTF-8, otherwise the Windows Western
// code page that the older desktop programs write. A U+FEFF at its start is
// text too.
QString decodeUnlabelled(QByteArrayView bytes);

} // namespace norvane
