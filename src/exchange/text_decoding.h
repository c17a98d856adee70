#pragma once

#include <QByteArrayView>
#include <QString>

namespace norvane {

// The single-byte code page that text which is not UTF-8 is read in: the
// Windows Western one that the older desktop programs write, or the
// Macintosh one (Mac Roman) of spreadsheets on the Macintosh, which end
// their CSV lines in CR alone.
enum class WesternCodePage { Windows, Macintosh };

// Text whose character set no one named (a vCard value without CHARSET, a
// CSV field): UTF-8 when it is valid UTF-8, otherwise that code page. A
// U+FEFF at its start is text too.
QString decodeUnlabelled(QByteArrayView bytes, WesternCodePage western = WesternCodePage::Windows);

} // namespace norvane
