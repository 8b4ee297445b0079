mojipot_test(tst_profilefile SOURCES tst_profilefile.cpp)
mojipot_test(tst_keytable SOURCES tst_keytable.cpp)
mojipot_test(tst_mainwindow GUI SOURCES tst_mainwindow.cpp)
mojipot_test(tst_places SOURCES tst_places.cpp)
