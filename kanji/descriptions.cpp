#include "kanji/descriptions.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

namespace kanji {

namespace {

// Kanji whose own readings say little (no native reading, or one few people
// know), each with a familiar word that holds it.
const QHash<QString, QString> &handTable()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("汽"), QStringLiteral("じょうきの き")},
        {QStringLiteral("気"), QStringLiteral("くうきの き")},
        {QStringLiteral("機"), QStringLiteral("きかいの き")},
        {QStringLiteral("器"), QStringLiteral("しょっきの き")},
        {QStringLiteral("期"), QStringLiteral("きかんの き")},
        {QStringLiteral("季"), QStringLiteral("きせつの き")},
        {QStringLiteral("天"), QStringLiteral("てんごくの てん")},
        {QStringLiteral("点"), QStringLiteral("てんすうの てん")},
        {QStringLiteral("電"), QStringLiteral("でんきの でん")},
        {QStringLiteral("科"), QStringLiteral("かがくの か")},
        {QStringLiteral("課"), QStringLiteral("かちょうの か")},
        {QStringLiteral("院"), QStringLiteral("びょういんの いん")},
        {QStringLiteral("医"), QStringLiteral("いしゃの い")},
        {QStringLiteral("地"), QStringLiteral("ちきゅうの ち")},
        {QStringLiteral("図"), QStringLiteral("ちずの ず")},
        {QStringLiteral("駅"), QStringLiteral("えきまえの えき")},
        {QStringLiteral("茶"), QStringLiteral("おちゃの ちゃ")},
        {QStringLiteral("番"), QStringLiteral("ばんごうの ばん")},
        {QStringLiteral("号"), QStringLiteral("ばんごうの ごう")},
        {QStringLiteral("曜"), QStringLiteral("ようびの よう")},
        {QStringLiteral("館"), QStringLiteral("としょかんの かん")},
        {QStringLiteral("感"), QStringLiteral("かんじるの かん")},
        {QStringLiteral("料"), QStringLiteral("りょうりの りょう")},
        {QStringLiteral("理"), QStringLiteral("りゆうの り")},
        {QStringLiteral("絵"), QStringLiteral("えほんの え")},
        {QStringLiteral("線"), QStringLiteral("せんろの せん")},
        {QStringLiteral("発"), QStringLiteral("しゅっぱつの はつ")},
        {QStringLiteral("肉"), QStringLiteral("ぎゅうにくの にく")},
        {QStringLiteral("菊"), QStringLiteral("はなの きく")},
        {QStringLiteral("億"), QStringLiteral("いちおくの おく")},
        {QStringLiteral("県"), QStringLiteral("けんちょうの けん")},
        {QStringLiteral("区"), QStringLiteral("くやくしょの く")},
        {QStringLiteral("式"), QStringLiteral("けっこんしきの しき")},
        {QStringLiteral("象"), QStringLiteral("どうぶつの ぞう")},
        {QStringLiteral("々"), QStringLiteral("くりかえしの きごう")},
    };
    return table;
}

bool isKatakana(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x30A1 && u <= 0x30FA) || u == 0x30FC;
}

bool isHiragana(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0x3041 && u <= 0x3096;
}

QString toHiragana(QString text)
{
    for (QChar &c : text)
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6)
            c = QChar(c.unicode() - 0x60);
    return text;
}

bool allOf(const QString &text, bool (*test)(QChar))
{
    for (QChar c : text)
        if (!test(c))
            return false;
    return !text.isEmpty();
}

} // namespace

Descriptions::Descriptions(QString path) : m_path(std::move(path)) {}

QString Descriptions::defaultPath()
{
    return QStringLiteral("/usr/share/edict/kanjidic");
}

std::pair<QString, QString> Descriptions::parseLine(const QString &line)
{
    const QStringList tokens = line.split(u' ', Qt::SkipEmptyParts);
    if (tokens.size() < 2 || tokens[0].startsWith(u'#'))
        return {};
    QString on, kun;
    for (int i = 1; i < tokens.size(); ++i) {
        const QString &t = tokens[i];
        if (t.startsWith(u'{') || (t.size() == 2 && t[0] == u'T' && t[1].isDigit()))
            break; // meanings and names' readings follow
        if (t.startsWith(u'-') || t.endsWith(u'-'))
            continue; // a prefix or suffix reading
        QString plain = t;
        plain.remove(u'.');
        if (on.isEmpty() && allOf(plain, isKatakana))
            on = toHiragana(plain);
        else if (kun.isEmpty() && allOf(plain, isHiragana))
            kun = plain;
    }
    if (on.isEmpty() && kun.isEmpty())
        return {};
    QString text = kun;
    if (!on.isEmpty() && on != kun)
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + on;
    return {tokens[0], text};
}

void Descriptions::load()
{
    m_tried = true;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QStringDecoder decode("EUC-JP");
    const QString all = decode(file.readAll());
    for (QStringView line : QStringView(all).split(u'\n')) {
        const auto [kanji, text] = parseLine(line.toString());
        if (!kanji.isEmpty())
            m_table.insert(kanji, text);
    }
}

QString Descriptions::forKanji(const QString &kanji)
{
    if (const auto it = handTable().constFind(kanji); it != handTable().constEnd())
        return *it;
    if (!m_tried)
        load();
    return m_table.value(kanji, kanji);
}

QString Descriptions::spoken(const QString &candidate, const QString &reading)
{
    QStringList parts{reading};
    bool katakana = false;
    for (int i = 0; i < candidate.size(); ++i) {
        const QChar c = candidate[i];
        if (isHiragana(c) || c == u'ー')
            continue;
        if (isKatakana(c)) {
            katakana = true;
            continue;
        }
        const int n = (c.isHighSurrogate() && i + 1 < candidate.size()) ? 2 : 1;
        const QString kanji = candidate.mid(i, n);
        i += n - 1;
        if (QChar::isLetter(kanji.toUcs4().value(0)) || c == u'々')
            parts << forKanji(kanji);
    }
    if (parts.size() == 1)
        parts << (katakana ? QStringLiteral("カタカナ") : QStringLiteral("ひらがな"));
    return parts.join(QStringLiteral("、"));
}

} // namespace kanji
