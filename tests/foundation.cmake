mojipot_test(tst_profilefile SOURCES tst_profilefile.cpp)
