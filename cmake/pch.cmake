# Precompiled Qt headers, one set per kind of part, each compiled once by a
# target of its own (mojipot_pch_<kind>) and reused by every part of its kind:
#
#   core      Qt Core only: the layers' cores, the model's tool, core benches
#   ui        with windows, sound and printing: the layers' ui parts, the
#             program, the benches
#   test_core the suites of rules (Qt Core and Qt Test)
#   test_ui   the window suites (the ui set and Qt Test)
#
# A part of a kind is compiled with the same options as the set's target
# (its Qt definitions, the build type, the sanitizers), so GCC takes the
# precompiled set; should a part's options ever differ, GCC warns
# (-Winvalid-pch) and reads the headers as before. Only Qt and standard
# headers are in the sets: what a part may include of the project is what
# it includes itself.
option(MOJIPOT_PCH "Precompile the Qt headers once per kind of part" ON)
if(MOJIPOT_FUZZ)
  set(MOJIPOT_PCH OFF)
endif()

set(mojipot_pch_core_headers
  <algorithm> <functional> <memory> <optional> <vector>
  <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash>
  <QList> <QLocale> <QMutex> <QObject> <QProcess> <QRegularExpression> <QSaveFile> <QSet> <QString>
  <QStringDecoder> <QStringList> <QTemporaryDir> <QThread> <QTimer>)
set(mojipot_pch_ui_headers ${mojipot_pch_core_headers}
  <QApplication> <QComboBox> <QDialog> <QKeyEvent> <QLabel> <QLineEdit> <QListWidget> <QMainWindow>
  <QMenuBar> <QMessageBox> <QPainter> <QPlainTextEdit> <QPushButton> <QSpinBox> <QTextCursor>
  <QVBoxLayout> <QWidget>)
set(mojipot_pch_test_core_headers ${mojipot_pch_core_headers} <QSignalSpy> <QTest>)
set(mojipot_pch_test_ui_headers ${mojipot_pch_ui_headers} <QSignalSpy> <QTest>)

# The target that compiles one set, linked as the parts of its kind link.
# GCC takes a precompiled set only where every macro defined when it was
# made is defined alike, Qt Test's folders among them: the suites' sets are
# made in the suites' folder (tests/CMakeLists.txt calls this for them).
function(mojipot_pch_target kind)
  if(NOT MOJIPOT_PCH)
    return()
  endif()
  set(target mojipot_pch_${kind})
  set(source "${CMAKE_BINARY_DIR}/pch/${kind}.cpp")
  if(NOT EXISTS "${source}")
    file(WRITE "${source}" "// The translation unit that compiles the ${kind} set of precompiled headers.\n")
  endif()
  add_library(${target} OBJECT "${source}")
  set_target_properties(${target} PROPERTIES AUTOMOC OFF)
  if(kind MATCHES "core$")
    target_link_libraries(${target} PRIVATE Qt6::Core)
  else()
    target_link_libraries(${target} PRIVATE Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Multimedia Qt6::PrintSupport)
  endif()
  if(kind MATCHES "^test_")
    target_link_libraries(${target} PRIVATE Qt6::Test)
  endif()
  target_precompile_headers(${target} PRIVATE ${mojipot_pch_${kind}_headers})
endfunction()

# The kind of a target from what it links itself: a layer's ui part (all of
# Qt's widget, sound and printing modules), else a layer's core or Qt Core
# alone; with Qt Test in the suites' folder, the suites' set of that kind.
# Empty: no set (a part linking some of Qt's modules besides a core, as the
# mailer and the mail suite do, would not match a set's macros).
function(mojipot_pch_kind target out)
  get_target_property(type ${target} TYPE)
  get_target_property(libs ${target} LINK_LIBRARIES)
  get_target_property(folder ${target} BINARY_DIR)
  get_target_property(disabled ${target} DISABLE_PRECOMPILE_HEADERS)
  set(kind "")
  if(NOT disabled AND type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY)$" AND libs AND NOT target MATCHES "^mojipot_pch_")
    set(ui FALSE)
    set(core FALSE)
    set(modules "")
    foreach(lib ${libs})
      if(lib MATCHES "_ui$")
        set(ui TRUE)
      elseif(lib MATCHES "(_core|^Qt6::Core)$")
        set(core TRUE)
      elseif(lib MATCHES "^Qt6::(Gui|Widgets|Multimedia|PrintSupport|Network)$")
        list(APPEND modules ${lib})
      endif()
    endforeach()
    # The first layer's ui part links Qt's modules itself.
    set(ui_modules Qt6::Gui Qt6::Widgets Qt6::Multimedia Qt6::PrintSupport)
    list(REMOVE_ITEM ui_modules ${modules})
    if(ui OR (modules AND NOT ui_modules))
      set(kind ui)
    elseif(core AND NOT modules)
      set(kind core)
    endif()
    if(kind AND "Qt6::Test" IN_LIST libs AND folder STREQUAL "${CMAKE_BINARY_DIR}/tests")
      set(kind test_${kind})
    endif()
  endif()
  set(${out} "${kind}" PARENT_SCOPE)
endfunction()

# Every part of the build, folder by folder.
function(mojipot_pch_collect dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    mojipot_pch_collect("${sub}" more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(mojipot_pch_reuse)
  if(NOT MOJIPOT_PCH)
    return()
  endif()
  mojipot_pch_collect("${CMAKE_SOURCE_DIR}" targets)
  foreach(target ${targets})
    mojipot_pch_kind(${target} kind)
    if(NOT kind)
      continue()
    endif()
    if(NOT TARGET mojipot_pch_${kind})
      mojipot_pch_target(${kind})
    endif()
    target_precompile_headers(${target} REUSE_FROM mojipot_pch_${kind})
    # The file of moc output of a part whose headers declare no QObject is
    # empty: loading a precompiled set (a second or two) would be all its cost.
    get_target_property(sources ${target} SOURCES)
    get_target_property(folder ${target} BINARY_DIR)
    get_target_property(source_folder ${target} SOURCE_DIR)
    set(mocked FALSE)
    foreach(source ${sources})
      if(source MATCHES "\\.h$")
        get_filename_component(path "${source}" ABSOLUTE BASE_DIR "${source_folder}")
        file(STRINGS "${path}" marks REGEX "Q_OBJECT|Q_GADGET|Q_NAMESPACE")
        if(marks)
          set(mocked TRUE)
        endif()
      endif()
    endforeach()
    if(NOT mocked)
      set_source_files_properties("${folder}/${target}_autogen/mocs_compilation.cpp" TARGET_DIRECTORY ${target}
        PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
  endforeach()
endfunction()
