# The automatic closing module, Pkg_Qam00417: one shared library built from the
# subsystem folders.
set(MODULE_DIRS worker datamodule scan closing orderdata sales external)
set(MODULE_SOURCES)
foreach(dir ${MODULE_DIRS})
  file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND MODULE_SOURCES ${dir_sources})
endforeach()
add_library(Pkg_Qam00417 SHARED ${MODULE_SOURCES})
target_include_directories(Pkg_Qam00417 PUBLIC ${PROJECT_SOURCE_DIR})
target_link_options(Pkg_Qam00417 PRIVATE -Wl,--no-undefined)
target_link_libraries(Pkg_Qam00417 PUBLIC VyrRtl VyrCds VyrDb VyrUtil VyrFiscal VyrRecebimento
                      Threads::Threads)
