# Mail: settings and mailer pieces, message building, the mailer program
# against a real SMTP server (Debian's aiosmtpd) and a misbehaving one, the
# dialog and the send operation of the window.
find_package(Qt6 REQUIRED COMPONENTS Network)
find_program(MOJIPOT_MAIL_TEST_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT MOJIPOT_MAIL_TEST_PYTHON)
  find_program(MOJIPOT_MAIL_TEST_PYTHON NAMES python3 REQUIRED)
endif()

mojipot_test(tst_mailparams SOURCES tst_mailparams.cpp)
mojipot_test(tst_mailmessage SOURCES tst_mailmessage.cpp)
mojipot_test(tst_mailer SOURCES tst_mailer.cpp mailsink.h LIBS Qt6::Network)
mojipot_test(tst_mailsend GUI SOURCES tst_mailsend.cpp mailsink.h
  ${CMAKE_SOURCE_DIR}/mail/smail/settingswindow.cpp ${CMAKE_SOURCE_DIR}/mail/smail/settingswindow.h)

foreach(suite tst_mailer tst_mailsend)
  add_dependencies(${suite} smail)
  target_compile_definitions(${suite} PRIVATE
    MAIL_TEST_SMAIL="$<TARGET_FILE:smail>"
    MAIL_TEST_PYTHON="${MOJIPOT_MAIL_TEST_PYTHON}"
    MAIL_TEST_SINK_SCRIPT="${CMAKE_CURRENT_SOURCE_DIR}/mail_smtp_sink.py"
    MAIL_TEST_SCRIPT_SERVER="${CMAKE_CURRENT_SOURCE_DIR}/mail_smtp_script.py")
endforeach()
# The mailer's bounded waits are waited out: started early, beside the short suites.
set_tests_properties(tst_mailer PROPERTIES COST 50)
