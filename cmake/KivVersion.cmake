# The programs' version (the project's), the client's description and its
# desktop id (the name of its desktop entry, icon and metainfo), as a header
# in the build tree. Targets that print them link kiv_version; the
# header only changes when the version does, so nothing else rebuilds.
set(KIV_FILE_DESCRIPTION "木棉的PC客户端公测版")
set(KIV_APP_ID "org.kiv.Kiv")
configure_file(${CMAKE_CURRENT_LIST_DIR}/KivVersion.h.in ${PROJECT_BINARY_DIR}/generated/KivVersion.h @ONLY)
add_library(kiv_version INTERFACE)
target_include_directories(kiv_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
