mojipot_test(tst_arrowwalk SOURCES tst_arrowwalk.cpp)
mojipot_test(tst_multitap SOURCES tst_multitap.cpp)
