#include "speech/sentences.h"

namespace sentences {

namespace {

bool endsSentence(QChar c)
{
    return c == u'。' || c == u'！' || c == u'？' || c == u'!' || c == u'?' || c == u'．';
}

bool closes(QChar c)
{
    return c == u'」' || c == u'』' || c == u'）' || c == u')' || c == u'】' || c == u'"';
}

bool pronounceable(const QString &piece)
{
    for (QChar c : piece)
        if (c.isLetterOrNumber() || c.isSurrogate())
            return true;
    return false;
}

// Cut position at most limit characters in: after the last "、" or blank,
// else at the limit, never inside a surrogate pair.
qsizetype cutBefore(const QString &piece, qsizetype limit)
{
    for (qsizetype i = limit - 1; i > limit / 2; --i) {
        const QChar c = piece.at(i);
        if (c == u'、' || c == u' ' || c == u'\u3000' || c == u',')
            return i + 1;
    }
    return piece.at(limit - 1).isHighSurrogate() ? limit - 1 : limit;
}

void addPiece(QStringList &pieces, QString sentence)
{
    if (sentence.size() > kLongSentence) {
        const qsizetype comma = sentence.indexOf(u'、');
        if (comma >= 0 && comma + 1 < sentence.size()) {
            addPiece(pieces, sentence.left(comma + 1));
            sentence = sentence.mid(comma + 1);
        }
    }
    while (sentence.size() > kMaxPiece) {
        const qsizetype cut = cutBefore(sentence, kMaxPiece);
        const QString head = sentence.left(cut);
        if (pronounceable(head))
            pieces.append(head);
        sentence = sentence.mid(cut);
    }
    if (pronounceable(sentence))
        pieces.append(sentence);
}

} // namespace

QStringList split(const QString &text)
{
    QStringList pieces;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            addPiece(pieces, current);
            current.clear();
            continue;
        }
        current.append(c);
        if (endsSentence(c)) {
            while (i + 1 < text.size() && (endsSentence(text.at(i + 1)) || closes(text.at(i + 1))))
                current.append(text.at(++i));
            addPiece(pieces, current);
            current.clear();
        }
    }
    addPiece(pieces, current);
    return pieces;
}

} // namespace sentences
