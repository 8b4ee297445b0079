# The kana model, on the model file the build lays out in dist/.
mojipot_test(tst_prediction SOURCES tst_prediction.cpp)
target_compile_definitions(tst_prediction PRIVATE MOJIPOT_KANA_MODEL_FILE="${MOJIPOT_DIST_DIR}/kanamodel.bin")
add_dependencies(tst_prediction kana_model)
# The word row's rules: completions, the phrase file, what the row learns.
mojipot_test(tst_words SOURCES tst_words.cpp)
target_compile_definitions(tst_words PRIVATE MOJIPOT_KANA_MODEL_FILE="${MOJIPOT_DIST_DIR}/kanamodel.bin")
add_dependencies(tst_words kana_model)
# The word row on the window.
mojipot_test(tst_wordrow GUI SOURCES tst_wordrow.cpp diarywindow.h)
