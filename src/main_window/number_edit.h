#pragma once

#include <QPlainTextEdit>
#include <cstdint>

// The multi-line contact-number field: typed characters go through
// DigitFilter, and the text never grows past its maximum length, whether
// typed or pasted.
class NumberEdit : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)
public:
    explicit NumberEdit(QWidget* parent = nullptr);

    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length);

    // The key code a typed text stands for, as the filter sees it: Latin-1
    // characters keep their code; others have no code page value and count as '?'.
    static std::int16_t keyCode(const QString& typed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void enforceMaxLength();

    int m_maxLength = 32767;
};
