# Keeps the layers and the rooms apart, by include and by link. From the bottom:
#   core <- platform/process <- accounts <- providers/common <- providers/<vendor>
#        <- providers (the defaults' list) <- refresh, platform <- design, platform/ui
#        <- shell, panels, companion <- app
# - no folder includes one above it;
# - accounts/ learns the vendors' resolvers through its contract (the app hands
#   them in), so it never includes providers/;
# - a vendor's room never includes another vendor's;
# - the non-GUI library never reaches for QtGui or QtWidgets, nor links them;
# - shell, panels and companion reach each other only through hooks the app
#   connects (the card slot and the cat's band take factories).
# src/ is a public include folder of every library, so a header of another layer
# is just as reachable as <shell/X.h> or "../shell/X.h" as it is as "shell/X.h":
# every spelling the compiler takes counts.
cmake_minimum_required(VERSION 3.25)
set(include_of "^[ \t]*#[ \t]*include[ \t]*[<\"]")

function(forbid_in files pattern what)
  foreach(f ${files})
    file(STRINGS ${f} hits REGEX "${include_of}(\\.\\./)*(${pattern})")
    if(hits)
      message(FATAL_ERROR "${f} ${what}: ${hits}")
    endif()
  endforeach()
endfunction()

function(forbid folder pattern what)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*)
  forbid_in("${files}" "${pattern}" "${what}")
endfunction()

set(gui "refresh/|platform/ui/|platform/[A-Za-z]+\\.h|design/|shell/|panels/|companion/|app/")
# The vendors' rooms: the folders of src/providers/ but common/.
file(GLOB provider_rooms LIST_DIRECTORIES true ${SOURCE_DIR}/src/providers/*)
set(vendors "")
foreach(room ${provider_rooms})
  get_filename_component(name ${room} NAME)
  if(IS_DIRECTORY ${room} AND NOT name STREQUAL "common")
    list(APPEND vendors ${name})
  endif()
endforeach()

file(GLOB_RECURSE core_sources ${SOURCE_DIR}/src/core/* ${SOURCE_DIR}/src/platform/process/*
     ${SOURCE_DIR}/src/accounts/* ${SOURCE_DIR}/src/providers/*)
forbid_in("${core_sources}"
  "QtGui|QtWidgets|QColor|QImage|QPixmap|QPainter|QFont|QWidget|QGuiApplication|QApplication" "includes GUI headers")
file(READ ${BINARY_DIR}/src/meterix_core_links.txt links)
if(links MATCHES "Qt6::(Gui|Widgets)")
  message(FATAL_ERROR "meterix_core links ${links}")
endif()

forbid(core "platform/|accounts/|providers/|${gui}" "reaches above its layer")
forbid(platform/process "accounts/|providers/|${gui}" "reaches above its layer")
forbid(accounts "providers/|platform/|${gui}" "reaches into the providers' rooms or above its layer")
list(JOIN vendors "|" vendor_names)
forbid(providers/common "providers/(${vendor_names})/|providers/[A-Za-z_]+\\.h|${gui}" "reaches a vendor's room")
# From a room, another is spelled providers/<room>/, ../<room>/ or <room>/: each is refused.
foreach(vendor ${vendors})
  set(others "")
  foreach(other ${vendors})
    if(NOT other STREQUAL vendor)
      string(APPEND others "providers/${other}/|${other}/|")
    endif()
  endforeach()
  forbid(providers/${vendor} "${others}providers/[A-Za-z_]+\\.h|${gui}" "reaches another room or above its layer")
endforeach()
file(GLOB provider_list ${SOURCE_DIR}/src/providers/*.h ${SOURCE_DIR}/src/providers/*.cpp)
forbid_in("${provider_list}" "${gui}" "reaches above its layer")

file(GLOB_RECURSE refresh_sources ${SOURCE_DIR}/src/refresh/*)
file(GLOB refresh_platform_sources ${SOURCE_DIR}/src/platform/*.h ${SOURCE_DIR}/src/platform/*.cpp)
forbid_in("${refresh_sources};${refresh_platform_sources}" "(platform/ui|design|shell|panels|companion|app)/"
  "reaches above its layer")
forbid(design "(shell|panels|companion|app)/" "reaches above its layer")
forbid(platform/ui "(design|shell|panels|companion|app)/" "reaches above its layer")
forbid(shell "(panels|companion|app)/" "reaches above its layer")
forbid(companion "(shell|panels|app)/" "reaches above its layer")
forbid(panels "(shell|companion|app)/" "reaches above its layer")
