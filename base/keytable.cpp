#include "base/keytable.h"

namespace keys {

const std::array<KeySpec, kCount> &table()
{
    static const std::array<KeySpec, kCount> keys = {{
        {0, "Button1", QStringLiteral("よむ"), QRect(778, 311, 65, 49), 24},
        {1, "Button2", QStringLiteral("あ"), QRect(719, 311, 50, 50), 48},
        {2, "Button3", QStringLiteral("い"), QRect(719, 367, 50, 50), 48},
        {3, "Button4", QStringLiteral("う"), QRect(719, 423, 50, 50), 48},
        {4, "Button5", QStringLiteral("え"), QRect(719, 479, 50, 50), 48},
        {5, "Button6", QStringLiteral("お"), QRect(719, 535, 50, 50), 48},
        {6, "Button7", QStringLiteral("か"), QRect(664, 311, 50, 50), 48},
        {7, "Button8", QStringLiteral("き"), QRect(664, 367, 50, 50), 48},
        {8, "Button9", QStringLiteral("く"), QRect(664, 423, 50, 50), 48},
        {9, "Button10", QStringLiteral("け"), QRect(664, 479, 50, 50), 48},
        {10, "Button11", QStringLiteral("こ"), QRect(664, 535, 50, 50), 48},
        {11, "Button12", QStringLiteral("さ"), QRect(609, 311, 50, 50), 48},
        {12, "Button13", QStringLiteral("し"), QRect(609, 367, 50, 50), 48},
        {13, "Button14", QStringLiteral("す"), QRect(609, 423, 50, 50), 48},
        {14, "Button15", QStringLiteral("せ"), QRect(609, 479, 50, 50), 48},
        {15, "Button16", QStringLiteral("そ"), QRect(609, 535, 50, 50), 48},
        {16, "Button17", QStringLiteral("た"), QRect(554, 311, 50, 50), 48},
        {17, "Button18", QStringLiteral("ち"), QRect(554, 367, 50, 50), 48},
        {18, "Button19", QStringLiteral("つ"), QRect(554, 423, 50, 50), 48},
        {19, "Button20", QStringLiteral("て"), QRect(554, 479, 50, 50), 48},
        {20, "Button21", QStringLiteral("と"), QRect(554, 535, 50, 50), 48},
        {21, "Button22", QStringLiteral("な"), QRect(499, 311, 50, 50), 48},
        {22, "Button23", QStringLiteral("に"), QRect(499, 367, 50, 50), 48},
        {23, "Button24", QStringLiteral("ぬ"), QRect(499, 423, 50, 50), 48},
        {24, "Button25", QStringLiteral("ね"), QRect(499, 479, 50, 50), 48},
        {25, "Button26", QStringLiteral("の"), QRect(499, 535, 50, 50), 48},
        {26, "Button27", QStringLiteral("は"), QRect(444, 311, 50, 50), 48},
        {27, "Button28", QStringLiteral("ひ"), QRect(444, 367, 50, 50), 48},
        {28, "Button29", QStringLiteral("ふ"), QRect(444, 423, 50, 50), 48},
        {29, "Button30", QStringLiteral("へ"), QRect(444, 479, 50, 50), 48},
        {30, "Button31", QStringLiteral("ほ"), QRect(444, 535, 50, 50), 48},
        {31, "Button32", QStringLiteral("ま"), QRect(389, 311, 50, 50), 48},
        {32, "Button33", QStringLiteral("み"), QRect(389, 367, 50, 50), 48},
        {33, "Button34", QStringLiteral("む"), QRect(389, 423, 50, 50), 48},
        {34, "Button35", QStringLiteral("め"), QRect(389, 479, 50, 50), 48},
        {35, "Button36", QStringLiteral("も"), QRect(389, 535, 50, 50), 48},
        {36, "Button37", QStringLiteral("や"), QRect(334, 311, 50, 50), 48},
        {37, "Button38", QStringLiteral("ゆ"), QRect(334, 367, 50, 50), 48},
        {38, "Button39", QStringLiteral("よ"), QRect(334, 423, 50, 50), 48},
        {39, "Button40", QStringLiteral("、"), QRect(334, 479, 50, 50), 48},
        {40, "Button41", QStringLiteral("。"), QRect(334, 535, 50, 50), 48},
        {41, "Button42", QStringLiteral("ら"), QRect(279, 311, 50, 50), 48},
        {42, "Button43", QStringLiteral("り"), QRect(279, 367, 50, 50), 48},
        {43, "Button44", QStringLiteral("る"), QRect(279, 423, 50, 50), 48},
        {44, "Button45", QStringLiteral("れ"), QRect(279, 479, 50, 50), 48},
        {45, "Button46", QStringLiteral("ろ"), QRect(279, 535, 50, 50), 48},
        {46, "Button47", QStringLiteral("わ"), QRect(224, 311, 50, 50), 48},
        {47, "Button48", QStringLiteral("を"), QRect(224, 367, 50, 50), 48},
        {48, "Button49", QStringLiteral("ん"), QRect(224, 423, 50, 50), 48},
        {49, "Button50", QStringLiteral("゛"), QRect(224, 479, 50, 50), 48},
        {50, "Button51", QStringLiteral("゜"), QRect(224, 535, 50, 50), 48},
        {51, "Button52", QStringLiteral("っ"), QRect(169, 311, 50, 50), 32},
        {52, "Button53", QStringLiteral("ゃ"), QRect(169, 367, 50, 50), 32},
        {53, "Button54", QStringLiteral("ゅ"), QRect(169, 423, 50, 50), 32},
        {54, "Button55", QStringLiteral("ょ"), QRect(169, 479, 50, 50), 32},
        {55, "Button56", QStringLiteral("ー"), QRect(169, 535, 50, 50), 32},
        {56, "Button62", QStringLiteral("くうはく"), QRect(95, 314, 67, 50), 19},
        {57, "Button58", QStringLiteral("ぎょう"), QRect(95, 369, 67, 50), 24},
        {58, "Button63", QStringLiteral(""), QRect(95, 424, 67, 50), 24},
        {59, "Button64", QStringLiteral(""), QRect(95, 480, 67, 50), 24},
        {60, "Button65", QStringLiteral("めーる"), QRect(95, 538, 67, 48), 21},
        {61, "Button57", QStringLiteral("けす"), QRect(20, 313, 67, 50), 24},
        {62, "BitBtn1", QStringLiteral("ぜんぶ\nけす"), QRect(20, 370, 67, 50), 19},
        {63, "Button59", QStringLiteral("しまう"), QRect(20, 425, 67, 50), 24},
        {64, "Button60", QStringLiteral("いんさつ"), QRect(20, 481, 67, 50), 17},
        {65, "Button61", QStringLiteral("おわり"), QRect(20, 537, 67, 50), 24},
    }};
    return keys;
}

QRect wordPlaceGeometry(int index)
{
    // Across the display's width (45 to 821), a gap of 4 between places;
    // below the shortened display and inside the green panel.
    return QRect(45 + 156 * index, 247, 152, 50);
}

} // namespace keys

namespace readings {

const std::array<QString, kCount> &table()
{
    static const std::array<QString, kCount> texts = [] {
        std::array<QString, kCount> t;
        t[0] = greeting();
        // Voiced forms of か to と at their own Tags (6–20), voiced forms of
        // the は row five places lower (21–25), its half-voiced forms at its
        // own Tags (26–30).
        const QString voiced = QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ");
        for (int i = 0; i < voiced.size(); ++i)
            t[6 + i] = voiced.at(i);
        t[39] = QStringLiteral("てん");
        t[40] = QStringLiteral("まる");
        t[47] = QStringLiteral("おわりのを");
        t[49] = QStringLiteral("てんてん");
        t[50] = QStringLiteral("うえの\u3000まる");
        t[51] = QStringLiteral("ちいさいつ");
        t[52] = QStringLiteral("ちいさいや");
        t[53] = QStringLiteral("ちいさいゆ");
        t[54] = QStringLiteral("ちいさいよ");
        t[55] = QStringLiteral("のばす");
        t[57] = QStringLiteral("つぎのぎょう");
        t[58] = QStringLiteral("なし");
        t[59] = QStringLiteral("なし");
        t[60] = QStringLiteral("めーるをおくる");
        return t;
    }();
    return texts;
}

QString spokenWhenDeleted(const QString &character)
{
    if (character == u" ")
        return QStringLiteral("くうはく");
    for (const int tag : {keys::kComma, keys::kFullStop, keys::kLongVowel, keys::kVoicedMark, keys::kSemiVoicedMark}) {
        if (character == keys::table().at(tag).caption)
            return table().at(tag);
    }
    return character;
}

} // namespace readings
