// The register panel: opening and cancelling it, the photo step, and adding a contact.
#include "contacts/contact_store.h"
#include "contacts/photo_store.h"
#include "data/database.h"
#include "main_window/main_window.h"
#include "main_window/window_host.h"
#include "widgets/one_line_input.h"

#include <QFileInfo>
#include <QImageReader>

namespace norvane {

void MainWindow::openRegisterPanel()
{
    if (saysWhyNothingCanBeAdded()) {
        return;
    }
    ui.picReg->show();
    ui.picReg->raise();
    ui.regIMG->show();
    ui.regIMG->raise();
    // The photo step is offered whenever the register panel is open.
    ui.AeroButton5->setVisible(true);
    setCoveredByRegisterPanel(true);
    ui.regName->clear();
    ui.regAddress->clear();
    ui.regCon->clear();
    ui.regEmail->clear();
    ui.regCom->clear();
    ui.regName->setFocus();
}

void MainWindow::closeRegisterPanel()
{
    ui.picReg->hide();
    ui.regIMG->hide();
    ui.AeroButton5->setVisible(false);
    setCoveredByRegisterPanel(false);
    m_host.editingEnded();
}

// The photo step: choose a picture, preview it, and keep its path and name.
void MainWindow::choosePhoto()
{
    const QString chosen = m_services.files->openFile(this);
    if (chosen.isEmpty()) {
        return; // cancelled: the earlier choice stands
    }
    QImageReader reader(chosen);
    const QSize full = reader.size();
    if (!reader.canRead() || !full.isValid()) {
        box(tr("%1 is not a picture Norvane can read.\n\n%2")
                .arg(QFileInfo(chosen).fileName(), reader.errorString()),
            BoxIcon::Warning);
        return;
    }
    // Turned as the camera says it was held (a phone's portrait photo is
    // stored on its side), and decoded at preview size: a huge picture never
    // needs its full size in memory. The decoder scales before it turns.
    reader.setAutoTransform(true);
    QSize frame = ui.regPic->size();
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) {
        frame.transpose();
    }
    reader.setScaledSize(full.scaled(frame, Qt::KeepAspectRatio));
    const QImage preview = reader.read();
    if (preview.isNull()) {
        box(tr("%1 could not be read as a picture.\n\n%2")
                .arg(QFileInfo(chosen).fileName(), reader.errorString()),
            BoxIcon::Warning);
        return;
    }
    ui.regPic->setPixmap(QPixmap::fromImage(preview));
    m_photoSource = chosen;
    OneLineInput::setTextAsStored(ui.Text1, QFileInfo(chosen).fileName());
}

Contact MainWindow::registerFieldTexts() const
{
    Contact contact;
    contact.name = ui.regName->text();
    contact.address = ui.regAddress->text();
    contact.contact = numberLinesToSave(ui.regCon->toPlainText());
    contact.email = ui.regEmail->text();
    contact.company = ui.regCom->text();
    return contact;
}

// Register: check, copy the photo, add the record, report, reload. Nothing is
// reported as saved unless it was, and a photo copied for a refused record is
// taken away again.
void MainWindow::saveNewContact()
{
    Contact contact = registerFieldTexts();
    if (contact.name.isEmpty() || contact.contact.isEmpty()) {
        box(QStringLiteral("Please complete all the fields above."), BoxIcon::Warning);
        return;
    }
    const QString folder = m_services.folder->path();
    StoredPhoto photo;
    if (!m_photoSource.isEmpty()) {
        if (Status stored = storePhoto(m_photoSource, photoFolder(folder), photo); !stored.ok()) {
            box(tr("The contact was not saved.\n\n%1").arg(stored.reason()), BoxIcon::Warning);
            return;
        }
        contact.profile = photo.name;
    }
    if (Status added = registerContact(m_dataControl, folder, contact); !added.ok()) {
        if (photo.copied) {
            deletePhoto(photoFolder(folder), photo.name);
        }
        box(tr("The contact was not saved.\n\n%1").arg(added.reason()), BoxIcon::Warning);
        return;
    }
    const qint64 added = m_dataControl.database()->lastInsertId();
    box(contact.name + QStringLiteral(" successfully Save in the database!"), BoxIcon::Information);
    m_host.reloadMainWindow(added);
}

} // namespace norvane
