# Keeps the layers apart, by include and by link:
# - the non-GUI library never reaches for QtGui or QtWidgets;
# - the design system depends on nothing above it (shell, panels, companion);
# - the bar's shell never reaches into the panels (the card slot takes a factory)
#   nor the companion (the cat's band takes a factory), and the companion reaches
#   neither (the app wires the cat to the bar); the panels reach neither (the
#   coat picker draws the coats' palettes, which belong to the design system).
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/core/* ${SOURCE_DIR}/src/accounts/* ${SOURCE_DIR}/src/providers/*)
foreach(f ${sources})
  file(STRINGS ${f} hits REGEX "#include <(QtGui|QtWidgets|QColor|QImage|QPixmap|QPainter|QFont|QWidget|QGuiApplication|QApplication)")
  if(hits)
    message(FATAL_ERROR "${f} includes GUI headers: ${hits}")
  endif()
endforeach()
file(READ ${BINARY_DIR}/src/meterix_core_links.txt links)
if(links MATCHES "Qt6::(Gui|Widgets)")
  message(FATAL_ERROR "meterix_core links ${links}")
endif()

function(forbid folder pattern)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*)
  foreach(f ${files})
    file(STRINGS ${f} hits REGEX "#include \"(${pattern})/")
    if(hits)
      message(FATAL_ERROR "${f} reaches above its layer: ${hits}")
    endif()
  endforeach()
endfunction()
forbid(design "shell|panels|companion|app")
forbid(shell "panels|companion|app")
forbid(companion "shell|panels|app")
forbid(panels "shell|companion|app")
