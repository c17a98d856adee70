// The WebDAV multistatus parser over any bytes a server could send: no
// crash, and a refusal always says why.
#include "sync/multistatus.h"

#include <cstdlib>

using namespace norvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString reason;
    const std::optional<QList<DavResource>> resources = parseMultistatus(bytes, reason);
    if (!resources && reason.isEmpty()) {
        std::abort();
    }
    return 0;
}
