# Writes the web element OUTPUT from its source INPUT, with the facts the core states once
# written in place of its "/* @KOLO_FACTS@ */" line: the board's size (board/BoardLayout.h),
# the transfer limits (platform/InternetSession.h) and the About box's texts
# (resources/AboutText.h). ROOT is the source tree.
# Usage: cmake -DROOT=... -DINPUT=... -DOUTPUT=... -P WriteFacts.cmake

# The first capture of `pattern` in `file`; a fact that cannot be found stops the build.
function(take file pattern name)
  file(STRINGS ${ROOT}/${file} lines REGEX "${pattern}")
  string(REGEX MATCH "${pattern}" found "${lines}")
  if(NOT found)
    message(FATAL_ERROR "No line of ${file} matches ${pattern}")
  endif()
  set(${name} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

function(take_number file field name)
  take(${file} "${field} = ([0-9]+( << [0-9]+)?)" expression)
  math(EXPR value "${expression}")
  set(${name} ${value} PARENT_SCOPE)
endfunction()

function(take_text macro name)
  take(resources/AboutText.h "define ${macro} N_\\(\"([^\"\\\\]*)\"\\)" text)
  string(REPLACE "'" "\\'" text "${text}")
  set(${name} "'${text}'" PARENT_SCOPE)
endfunction()

take_number(board/BoardLayout.h kBoardWidth width)
take_number(board/BoardLayout.h kBoardHeight height)
take_number(platform/InternetSession.h pageBytes page_bytes)
take_number(platform/InternetSession.h pictureBytes picture_bytes)
take_number(platform/InternetSession.h stallMs stall_ms)
take_text(KOLO_ABOUT_TITLE about_title)
take_text(KOLO_ABOUT_NAME about_name)
take_text(KOLO_ABOUT_NOTICE about_notice)

set(facts "// Written by the build from the core's headers.
const BOARD_WIDTH = ${width};
const BOARD_HEIGHT = ${height};
const PAGE_LIMIT = ${page_bytes};   // bytes of a folder's page that are read
const PICTURE_LIMIT = ${picture_bytes};   // a larger picture is skipped
const STALL_MS = ${stall_ms};   // a transfer that receives nothing this long is dropped
const ABOUT_TITLE = ${about_title};
const ABOUT_NAME = ${about_name};
const ABOUT_NOTICE = ${about_notice};")

file(READ ${INPUT} element)
string(FIND "${element}" "/* @KOLO_FACTS@ */" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${INPUT} has no /* @KOLO_FACTS@ */ line")
endif()
string(REPLACE "/* @KOLO_FACTS@ */" "${facts}" element "${element}")
file(WRITE ${OUTPUT}.part "${element}")
file(RENAME ${OUTPUT}.part ${OUTPUT})
