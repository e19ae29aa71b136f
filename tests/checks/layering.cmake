# Keeps the layers apart, by include and by link:
# - the non-GUI library never reaches for QtGui or QtWidgets, nor for the
#   refresh or GUI layers above it; the refresh layer never reaches the GUI;
# - the design system depends on nothing above it (shell, panels, companion);
# - the bar's shell never reaches into the panels (the card slot takes a factory)
#   nor the companion (the cat's band takes a factory), and the companion reaches
#   neither (the app wires the cat to the bar); the panels reach neither (the
#   coat picker draws the coats' palettes, which belong to the design system).
# src/ is a public include folder of every library, so a header of another layer
# is just as reachable as <shell/X.h> or "../shell/X.h" as it is as "shell/X.h":
# every spelling the compiler takes counts.
set(include_of "^[ \t]*#[ \t]*include[ \t]*[<\"]")

function(forbid_in files pattern what)
  foreach(f ${files})
    file(STRINGS ${f} hits REGEX "${include_of}(\\.\\./)*(${pattern})")
    if(hits)
      message(FATAL_ERROR "${f} ${what}: ${hits}")
    endif()
  endforeach()
endfunction()

file(GLOB_RECURSE core_sources ${SOURCE_DIR}/src/core/* ${SOURCE_DIR}/src/accounts/* ${SOURCE_DIR}/src/providers/*)
forbid_in("${core_sources}"
  "QtGui|QtWidgets|QColor|QImage|QPixmap|QPainter|QFont|QWidget|QGuiApplication|QApplication" "includes GUI headers")
forbid_in("${core_sources}" "(refresh|platform|design|shell|panels|companion|app)/" "reaches above its layer")
file(READ ${BINARY_DIR}/src/meterix_core_links.txt links)
if(links MATCHES "Qt6::(Gui|Widgets)")
  message(FATAL_ERROR "meterix_core links ${links}")
endif()
file(GLOB_RECURSE refresh_sources ${SOURCE_DIR}/src/refresh/*)
file(GLOB refresh_platform_sources ${SOURCE_DIR}/src/platform/*.h ${SOURCE_DIR}/src/platform/*.cpp)
forbid_in("${refresh_sources};${refresh_platform_sources}" "(platform/ui|design|shell|panels|companion|app)/"
  "reaches above its layer")

function(forbid folder pattern)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*)
  forbid_in("${files}" "(${pattern})/" "reaches above its layer")
endfunction()
forbid(design "shell|panels|companion|app")
forbid(shell "panels|companion|app")
forbid(companion "shell|panels|app")
forbid(panels "shell|companion|app")
