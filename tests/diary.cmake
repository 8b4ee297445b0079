# Diary files, the read-me and version notice, display settings, practice mode.
mojipot_test(tst_diaryfiles SOURCES tst_diaryfiles.cpp)
mojipot_test(tst_diarystorage GUI SOURCES tst_diarystorage.cpp diarywindow.h)
mojipot_test(tst_displaysettings GUI SOURCES tst_displaysettings.cpp diarywindow.h)
mojipot_test(tst_practicemode GUI SOURCES tst_practicemode.cpp diarywindow.h)
