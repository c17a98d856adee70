#pragma once

#include <QLineEdit>
#include <QValidator>

// Keeps what is pasted or dropped into a one-line field on one line. A line
// copied with its end, or an address copied from a letter, would otherwise
// be saved with line breaks inside a value that the grid, the search and the
// exports take for one line. Line breaks at either end of the inserted text
// are dropped, and each run of them inside it becomes the joiner. Only the
// text that changed is looked at: a stored value shown with
// setTextAsStored() keeps its line breaks, also while the user edits the
// rest of it. (Qt forgets the field's undo steps when the text is put on
// one line.)
class OneLineInput : public QValidator
{
    Q_OBJECT
public:
    OneLineInput(QLineEdit* field, QString joiner);

    State validate(QString& input, int& pos) const override;

    // Shows a value exactly as stored, line breaks and all.
    static void setTextAsStored(QLineEdit* field, const QString& text);

private:
    QString m_joiner;
    QString m_shown; // the field's text before the change being validated
};
