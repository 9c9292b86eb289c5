# Precompiled headers for the Qt-heavy targets: the Qt and GoogleTest headers are most of what
# every source of the editor and of its tests parses. Set TAMBORO_PCH=OFF to build without.
option(TAMBORO_PCH "Precompile the Qt and GoogleTest headers of the Qt-heavy targets" ON)

set(tamboro_qt_pch_headers
  <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QLabel> <QLineEdit>
  <QPushButton> <QString> <QTimer> <QWidget>
  <functional> <map> <memory> <string> <vector>)

# The editor's and the controls' sources.
function(tamboro_qt_pch target)
  if(TAMBORO_PCH)
    target_precompile_headers(${target} PRIVATE ${tamboro_qt_pch_headers})
  endif()
endfunction()

# The widget tests: one target makes the header, the others, built with the same flags,
# reuse it.
function(tamboro_qt_test_pch target)
  if(TAMBORO_PCH)
    target_precompile_headers(${target} PRIVATE ${tamboro_qt_pch_headers} <QTest>
                              <gtest/gtest.h>)
  endif()
endfunction()

function(tamboro_qt_test_pch_reuse target from)
  if(TAMBORO_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
  endif()
endfunction()
