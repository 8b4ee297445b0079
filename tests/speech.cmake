# Speech: the rules without sound, the engines' contract with real engines
# and real sound, the playback into PulseAudio's null sink, the voice dialog
# and the key announcements.
mojipot_test(tst_speechlogic SOURCES tst_speechlogic.cpp)
mojipot_test(tst_speechengines GUI SOURCES tst_speechengines.cpp speechsound.h)
