# Precompiled headers for the sources that include Qt's widget headers: the
# windows and their tests spend most of their compile time parsing the same
# Qt headers (and gtest and QTest), which a precompiled header parses once.
#
# One small library owns each header; the windows' layers and the Qt test
# programs reuse it. A user must be compiled with the owner's flags: the
# owners link only what every user links, so a user differs by extra
# definitions (QT_MULTIMEDIA_LIB, ...) that the headers never look at.
# -Winvalid-pch says so should a header ever be refused.
option(KIV_PCH "Precompile the Qt, gtest and QTest headers most sources include" ON)

# kiv_reuse_pch(<owner> <target>...)
function(kiv_reuse_pch owner)
  if(NOT KIV_PCH)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    target_precompile_headers(${target} REUSE_FROM ${owner})
    target_compile_options(${target} PRIVATE -Winvalid-pch)
  endforeach()
endfunction()

# kiv_pch_owner(<owner> <header> LIBS ...)
function(kiv_pch_owner owner header)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  if(NOT KIV_PCH)
    return()
  endif()
  add_library(${owner} STATIC ${PROJECT_SOURCE_DIR}/cmake/pch/pch.cpp)
  target_include_directories(${owner} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/pch)
  target_compile_options(${owner} PRIVATE ${KIV_WARNINGS})
  target_link_libraries(${owner} PRIVATE ${ARG_LIBS})
  target_precompile_headers(${owner} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/pch/${header})
endfunction()
