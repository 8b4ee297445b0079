# Printing: the page picture, and real print jobs on the default printer.
mojipot_test(tst_printpage GUI SOURCES tst_printpage.cpp)
# Needs the services (". scripts/services"): CUPS with a PDF printer as the
# default destination; it starts private CUPS schedulers of its own as well.
mojipot_test(tst_printjob GUI SOURCES tst_printjob.cpp LIBS Qt6::Network)
