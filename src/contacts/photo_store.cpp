#include "contacts/photo_store.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PhotoStore", text);
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

bool sameContent(const QString& a, const QString& b)
{
    if (QFileInfo(a).size() != QFileInfo(b).size()) {
        return false;
    }
    const QByteArray ha = fileHash(a);
    return !ha.isEmpty() && ha == fileHash(b);
}

// "photo.jpg", then "photo (2).jpg", "photo (3).jpg", ...
QString candidateName(const QFileInfo& source, int attempt)
{
    if (attempt == 1) {
        return source.fileName();
    }
    const QString base = source.completeBaseName();
    const QString suffix = source.suffix();
    const QString numbered = QStringLiteral("%1 (%2)").arg(base).arg(attempt);
    return suffix.isEmpty() ? numbered : numbered + QLatin1Char('.') + suffix;
}

} // namespace

Status storePhoto(const QString& sourcePath, const QString& photoFolder, StoredPhoto& stored)
{
    const QFileInfo source(sourcePath);
    if (!source.isFile() || !source.isReadable()) {
        return Status::failure(tr("The photo %1 cannot be read.").arg(sourcePath));
    }
    if (!QFileInfo(photoFolder).isDir()) {
        return Status::failure(tr("The photo folder %1 does not exist.").arg(photoFolder));
    }
    const QDir folder(photoFolder);
    for (int attempt = 1;; ++attempt) {
        const QString name = candidateName(source, attempt);
        const QString target = folder.filePath(name);
        if (QFileInfo::exists(target)) {
            if (sameContent(sourcePath, target)) {
                stored = {name, false};
                return Status::success();
            }
            continue;
        }
        QFile file(sourcePath);
        if (!file.copy(target)) {
            return Status::failure(tr("The photo could not be copied into %1: %2")
                                       .arg(photoFolder, file.errorString()));
        }
        // The copy would keep the source's permissions; a contact's photo is
        // for its owner only.
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        stored = {name, true};
        return Status::success();
    }
}

bool isPlainPhotoName(const QString& name)
{
    // A backslash separates folders only on Windows; elsewhere it is an
    // ordinary character of a file name, which a photo may well have.
#ifdef Q_OS_WIN
    const bool backslashSeparates = true;
#else
    const bool backslashSeparates = false;
#endif
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) &&
           !(backslashSeparates && name.contains(QLatin1Char('\\'))) && !name.contains(QChar(0));
}

Status deletePhoto(const QString& photoFolder, const QString& name)
{
    if (!isPlainPhotoName(name)) {
        return Status::failure(tr("\"%1\" is not a photo file name.").arg(name));
    }
    const QString path = QDir(photoFolder).filePath(name);
    if (!QFileInfo(path).isFile()) {
        return Status::success();
    }
    QFile file(path);
    if (!file.remove()) {
        return Status::failure(
            tr("The photo %1 could not be deleted: %2").arg(path, file.errorString()));
    }
    return Status::success();
}

} // namespace norvane
