# Speech: the rules without sound, the engines' contract with real engines
# and real sound, the playback into PulseAudio's null sink, the voice dialog
# and the key announcements.
mojipot_test(tst_speechlogic SOURCES tst_speechlogic.cpp)
mojipot_test(tst_speechengines GUI SOURCES tst_speechengines.cpp speechsound.h)
mojipot_test(tst_speechdialog GUI SOURCES tst_speechdialog.cpp speechwindow.h)
mojipot_test(tst_speechannounce GUI SOURCES tst_speechannounce.cpp speechwindow.h)
# Plays into a null sink of its own, recorded through its monitor.
mojipot_test(tst_speechplayback GUI SOURCES tst_speechplayback.cpp speechsound.h)
target_compile_definitions(tst_speechplayback PRIVATE MOJIPOT_PROGRAM="$<TARGET_FILE:mojipot>")
add_dependencies(tst_speechplayback mojipot)
# The suites that wait on real sound start early, beside the short ones.
set_tests_properties(tst_speechengines PROPERTIES COST 80)
set_tests_properties(tst_speechplayback PROPERTIES COST 30)
