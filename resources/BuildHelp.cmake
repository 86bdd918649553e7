# Compiles help.chm: cmake -DSRC=<help sources> -DWORK=<scratch folder> -DOUT=<help.chm>
#                          -DCHMCMD=<chmcmd> -DICONV=<iconv> -P BuildHelp.cmake
# The sources are UTF-8. The help viewer of a Chinese Windows reads the contents and index files in
# the ANSI code page of the help file's language (936 for 0x804), so every text file is converted to
# code page 936 and the pages declare that character set.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB sources ${SRC}/*)
foreach(src IN LISTS sources)
  get_filename_component(name ${src} NAME)
  if(name MATCHES "\\.(html|hhc|hhk|hhp|css)$")
    file(READ ${src} text)
    string(REPLACE "charset=utf-8" "charset=gb2312" text "${text}")
    file(WRITE ${WORK}/${name}.utf8 "${text}")
    execute_process(COMMAND ${ICONV} -f UTF-8 -t CP936 ${WORK}/${name}.utf8
                    OUTPUT_FILE ${WORK}/${name} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "help: ${name} cannot be converted to code page 936")
    endif()
    file(REMOVE ${WORK}/${name}.utf8)
  else()
    file(COPY ${src} DESTINATION ${WORK})
  endif()
endforeach()
execute_process(COMMAND ${CHMCMD} TavNoteHelp.hhp WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK}/help.chm)
  message(FATAL_ERROR "chmcmd failed:\n${log}")
endif()
file(COPY_FILE ${WORK}/help.chm ${OUT})
