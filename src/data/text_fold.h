#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <memory>

namespace norvane {

// The form a text is compared in by the contact search: case-folded, with
// compatibility forms unified and accents dropped, so "zoe" and "Zoë" meet.
// A text made only of accents keeps them, so it is still a search for something.
QString foldForSearch(const QString& text);

// Folds many texts exactly as foldForSearch does, at a fraction of its cost:
// what each character of the basic plane folds to is worked out once and
// remembered. A text those pieces cannot fold exactly (one with a character
// outside the basic plane, a mark that decomposition would move past another
// kept character, or nothing left once accents are dropped) is folded by
// foldForSearch itself.
class SearchFolder
{
public:
    QString fold(QStringView text);
    // The same fold written into buffer (grown as needed, never shrunk, so
    // that folding many texts allocates almost nothing); returns how many
    // code units of buffer it takes.
    qsizetype foldInto(QStringView text, QString& buffer);

private:
    struct Piece
    {
        quint32 from = 0;  // where the character's fold starts in m_pieces
        quint8 length = 0; // how many code units it has
        quint8 state = 0;  // kUnknown, kPlain or kAwkward
    };
    static constexpr quint8 kUnknown = 0, kPlain = 1, kAwkward = 2;
    using Page = std::array<Piece, 256>;

    const Piece& piece(char16_t c);
    Piece makePiece(char16_t c);

    std::array<std::unique_ptr<Page>, 256> m_pages;
    QString m_pieces;
};

} // namespace norvane
