# cmake -DINSTALL_DIR=<installation folder> -DSOURCE_DIR=<src> -P resources_check.cmake
# Checks that the installation folder holds every data file the program opens by name.
# Windows compares file names without case, so every lookup here does too.

cmake_minimum_required(VERSION 3.20)

set(failures "")
function(fail msg)
  set(failures "${failures}  ${msg}\n" PARENT_SCOPE)
endfunction()

# The images the program opens from sysres\ by fixed name.
set(required
  TavNote.png tavnote.png TavNote.ico addnote.png add.png manager.png help.png close.png
  closenormal.png closehoverpushdown.png check.png delete.png images.png prompt.png invisible.png
  visible.png selectall.png reversesel.png rename.png recycle.png recovery.png moveto.png
  export.png cut.png copy.png paste.png txt.png rtf.png png.png listarrow.png excmusic.png
  excfile.png templatenormal.png templatehoverpushdown.png systemnormal.png
  systemhoverpushdown.png)

# Plus every bare image file name written as a string literal in the sources.
file(GLOB_RECURSE sources ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.inc)
set(from_code "")
foreach(src IN LISTS sources)
  file(STRINGS ${src} lines REGEX "\"[A-Za-z0-9_.-]+\\.([pP][nN][gG]|[iI][cC][oO]|[gG][iI][fF])\"")
  foreach(line IN LISTS lines)
    string(REGEX MATCHALL "\"[A-Za-z0-9_.-]+\\.([pP][nN][gG]|[iI][cC][oO]|[gG][iI][fF])\"" hits "${line}")
    foreach(hit IN LISTS hits)
      string(REPLACE "\"" "" name "${hit}")
      list(APPEND from_code ${name})
    endforeach()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES from_code)

file(GLOB sysres_files RELATIVE ${INSTALL_DIR}/sysres ${INSTALL_DIR}/sysres/*)
file(GLOB reicon_files RELATIVE ${INSTALL_DIR}/tavnote_reicon/default
     ${INSTALL_DIR}/tavnote_reicon/default/*)
string(TOLOWER "${sysres_files};${reicon_files}" shipped_lower)

foreach(name IN LISTS required from_code)
  string(TOLOWER ${name} lower)
  if(NOT lower IN_LIST shipped_lower)
    fail("missing image \"${name}\" (sysres\\ or tavnote_reicon\\default\\)")
  endif()
endforeach()

# Two names that differ only in case are one file on Windows: one would overwrite the other.
file(GLOB_RECURSE all_files RELATIVE ${INSTALL_DIR} ${INSTALL_DIR}/sysres/* ${INSTALL_DIR}/tavnote_reicon/*)
string(TOLOWER "${all_files}" all_lower)
set(seen "")
foreach(f IN LISTS all_lower)
  if(f IN_LIST seen)
    fail("two files named \"${f}\" apart from case")
  endif()
  list(APPEND seen ${f})
endforeach()

# Image files must be real images: PNG signature and a sensible size.
function(png_size path out_w out_h)
  file(READ ${path} head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 16 sig)
  if(NOT sig STREQUAL "89504e470d0a1a0a")
    set(${out_w} 0 PARENT_SCOPE)
    return()
  endif()
  string(SUBSTRING "${head}" 32 8 w)
  string(SUBSTRING "${head}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${out_w} ${w} PARENT_SCOPE)
  set(${out_h} ${h} PARENT_SCOPE)
endfunction()

foreach(f IN LISTS sysres_files)
  if(f MATCHES "\\.png$")
    png_size(${INSTALL_DIR}/sysres/${f} w h)
    if(w LESS 8 OR w GREATER 256)
      fail("sysres\\${f} is not a PNG of 8 to 256 pixels")
    endif()
  endif()
endforeach()

# The row icons: at least twelve, drawn for the 21 x 21 square they are shown in.
set(icons 0)
foreach(f IN LISTS reicon_files)
  if(f MATCHES "\\.png$")
    math(EXPR icons "${icons} + 1")
    png_size(${INSTALL_DIR}/tavnote_reicon/default/${f} w h)
    if(NOT w EQUAL 21 OR NOT h EQUAL 21)
      fail("row icon ${f} is not a 21 x 21 PNG")
    endif()
  endif()
endforeach()
if(icons LESS 12)
  fail("only ${icons} row icons in tavnote_reicon\\default\\ (at least 12 expected)")
endif()

# TavNote.ico: 16, 24, 32, 48 and 256 pixel images (256 is stored as 0 in the directory).
set(ico ${INSTALL_DIR}/sysres/TavNote.ico)
if(EXISTS ${ico})
  file(READ ${ico} dir LIMIT 86 HEX)
  string(SUBSTRING "${dir}" 8 4 count_le)
  string(SUBSTRING "${count_le}" 0 2 count)
  math(EXPR count "0x${count}")
  set(widths "")
  if(count GREATER 0 AND count LESS 16)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      math(EXPR at "12 + ${i} * 32")
      string(SUBSTRING "${dir}" ${at} 2 wx)
      math(EXPR wd "0x${wx}")
      if(wd EQUAL 0)
        set(wd 256)
      endif()
      list(APPEND widths ${wd})
    endforeach()
  endif()
  list(SORT widths COMPARE NATURAL)
  if(NOT "${widths}" STREQUAL "16;24;32;48;256")
    fail("TavNote.ico holds sizes '${widths}', expected 16;24;32;48;256")
  endif()
endif()

# help.chm: a compiled HTML help file (ITSF signature) of some substance.
set(chm ${INSTALL_DIR}/help.chm)
if(NOT EXISTS ${chm})
  fail("help.chm is missing")
else()
  file(READ ${chm} sig LIMIT 4 HEX)
  file(SIZE ${chm} chm_size)
  if(NOT sig STREQUAL "49545346" OR chm_size LESS 8000)
    fail("help.chm is not a compiled help file")
  endif()
endif()

list(LENGTH from_code n_code)
if(failures)
  message(FATAL_ERROR "installation folder ${INSTALL_DIR}:\n${failures}")
endif()
message(STATUS "resources: ${n_code} image names from the code and the artwork list all ship; "
               "${icons} row icons; TavNote.ico and help.chm fine")
