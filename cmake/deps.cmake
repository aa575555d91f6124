# The outside libraries of cmake/outside-libraries.txt, built by scripts/deps.sh into
# build/deps/<target>: one imported static target Oxbrill::<name> a row, which
# brings its headers, its archives and the rows it needs.
set(OX_DEPS_DIR ${CMAKE_SOURCE_DIR}/build/deps/${CMAKE_SYSTEM_PROCESSOR} CACHE PATH
  "Where scripts/deps.sh installed the outside libraries for this target")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/outside-libraries.txt)
file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/outside-libraries.txt ox_dep_rows REGEX "^[A-Za-z0-9_]")
foreach(row ${ox_dep_rows})
  string(REGEX REPLACE "[ \t]+" ";" fields "${row}")
  list(GET fields 0 name)
  list(GET fields 2 version)
  list(GET fields 4 archives)
  list(GET fields 5 needs)
  # The installed row must be the pinned one (its stamp begins with the key scripts/deps.sh gave it).
  string(REPLACE ":" "_" version "${version}")
  set(stamp ${OX_DEPS_DIR}/.installed/${name})
  set(installed "")
  if(EXISTS ${stamp})
    file(READ ${stamp} installed)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${stamp})
  endif()
  string(FIND "${installed}" "${name}-${version}-${CMAKE_SYSTEM_PROCESSOR}-" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "${name} ${version} is not built for ${CMAKE_SYSTEM_PROCESSOR} in ${OX_DEPS_DIR}: run scripts/deps.sh")
  endif()
  string(REPLACE "," ";" archives "${archives}")
  list(TRANSFORM archives REPLACE "(.+)" "${OX_DEPS_DIR}/lib/lib\\1.a")
  list(POP_FRONT archives first)
  set(links ${archives})
  if(NOT needs STREQUAL "-")
    string(REPLACE "," ";" needs "${needs}")
    list(TRANSFORM needs PREPEND "Oxbrill::")
    list(APPEND links ${needs})
  endif()
  add_library(Oxbrill::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(Oxbrill::${name} PROPERTIES IMPORTED_LOCATION ${first}
    INTERFACE_INCLUDE_DIRECTORIES ${OX_DEPS_DIR}/include INTERFACE_LINK_LIBRARIES "${links}")
endforeach()

# The JPEG XL library's headers declare its functions imported from a DLL unless told it is linked statically.
if(TARGET Oxbrill::jxl)
  set_property(TARGET Oxbrill::jxl APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS JXL_STATIC_DEFINE JXL_THREADS_STATIC_DEFINE)
endif()
