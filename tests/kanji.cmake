# Kana–kanji conversion: the rules without a window, the engine on the
# sentence set (a floor just below its measured accuracy), and the window.
mojipot_test(tst_kanjirules SOURCES tst_kanjirules.cpp)
mojipot_test(tst_kanjiaccuracy SOURCES tst_kanjiaccuracy.cpp)
mojipot_test(tst_kanjiwriting GUI SOURCES tst_kanjiwriting.cpp)
# Mozc through its helper and server, run as an ordinary user (one is
# created for it when the suite runs as the administrator).
mojipot_test(tst_mozcengine SOURCES tst_mozcengine.cpp)
