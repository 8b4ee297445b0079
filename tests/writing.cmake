# Writing: kana entry, voicing marks, the insertion bar, the editing commands.
mojipot_test(tst_compositionrules SOURCES tst_compositionrules.cpp)
mojipot_test(tst_writing GUI SOURCES tst_writing.cpp)
