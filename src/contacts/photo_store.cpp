#include "contacts/photo_store.h"

#include "data/whole_write.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

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

enum class Copy { Made, NameTaken, Failed };

// Copies the picture to the target name, which it never takes from another
// file. The bytes reach the disk under a name of their own first: a contact
// saved just before a power cut keeps a whole photo, not an empty file.
Copy copyToDisk(const QString& sourcePath, const QString& target, QString& reason)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        reason = source.errorString();
        return Copy::Failed;
    }
    const QString part = QFileInfo(target).dir().filePath(
        QStringLiteral(".%1.part").arg(QUuid::createUuid().toString(QUuid::Id128)));
    QSaveFile out(part);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        reason = out.errorString();
        return Copy::Failed;
    }
    // A contact's photo is for its owner only, whatever the source allowed.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 16);
        if (chunk.isEmpty() || !writeWhole(out, chunk)) {
            reason = chunk.isEmpty() ? source.errorString() : out.errorString();
            out.cancelWriting();
            return Copy::Failed;
        }
    }
    if (!commitWhole(out)) {
        reason = out.errorString();
        return Copy::Failed;
    }
    QFile copy(part);
    if (!copy.rename(target)) {
        reason = copy.errorString();
        QFile::remove(part);
        return QFileInfo::exists(target) ? Copy::NameTaken : Copy::Failed;
    }
    return Copy::Made;
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
        QString reason;
        switch (copyToDisk(sourcePath, target, reason)) {
        case Copy::Made:
            stored = {name, true};
            return Status::success();
        case Copy::NameTaken:
            // Another program took the name since it was looked at.
            --attempt;
            continue;
        case Copy::Failed:
            return Status::failure(
                tr("The photo could not be copied into %1: %2").arg(photoFolder, reason));
        }
    }
}

bool isPlainPhotoName(const QString& name)
{
    // A backslash separates folders, and a colon names a drive ("C:x.jpg" is
    // a file in the current folder of drive C) or another file's stream, only
    // on Windows; elsewhere both are ordinary characters of a file name.
#ifdef Q_OS_WIN
    const bool windowsPath = name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':'));
#else
    const bool windowsPath = false;
#endif
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !windowsPath && !name.contains(QChar(0));
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
