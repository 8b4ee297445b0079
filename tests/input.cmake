mojipot_test(tst_arrowwalk SOURCES tst_arrowwalk.cpp)
mojipot_test(tst_multitap SOURCES tst_multitap.cpp)
mojipot_test(tst_input GUI SOURCES tst_input.cpp inputwindow.h)
mojipot_test(tst_inputwriting GUI SOURCES tst_inputwriting.cpp inputwindow.h)
