# The layers of src/, declared from the ground up in src/CMakeLists.txt, one line each.
#
#   quelvara_layer(<name> [FOLDER <folder under src/>] [PROGRAM <executable>]
#                  [DEPS <layers below>...] [LIBS <third-party targets>...])
#
# A layer is one folder (src/<name> unless FOLDER says otherwise): a static library
# quelvara_<name> built from every .cpp of the folder, or the program PROGRAM. It may include
# and link the layers it names in DEPS, what those name in turn, and the targets in LIBS;
# nothing else. Its headers are offered through a folder of links in the build tree
# (layers/<name>/<folder>/<header>), never through src/ as a whole, so that an include of a
# layer it may not use fails to compile; tests/layering checks the same rule on the sources
# and names the offending line. DEPS must name layers declared before, so the layers cannot
# form a cycle.
function(quelvara_layer name)
  cmake_parse_arguments(ARG "" "FOLDER;PROGRAM" "DEPS;LIBS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quelvara_layer(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_FOLDER)
    set(ARG_FOLDER ${name})
  endif()
  set(folder ${PROJECT_SOURCE_DIR}/src/${ARG_FOLDER})

  # What the layer may use: itself and everything its dependencies may use.
  set(allowed ${name})
  set(dep_targets)
  foreach(dep ${ARG_DEPS})
    get_property(declared GLOBAL PROPERTY QUELVARA_LAYER_${dep}_ALLOWED SET)
    if(NOT declared)
      message(FATAL_ERROR "Layer ${name} names ${dep}, which is not a layer declared below it.")
    endif()
    get_property(below GLOBAL PROPERTY QUELVARA_LAYER_${dep}_ALLOWED)
    list(APPEND allowed ${below})
    list(APPEND dep_targets quelvara_${dep})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(GLOBAL PROPERTY QUELVARA_LAYER_${name}_ALLOWED ${allowed})
  set_property(GLOBAL PROPERTY QUELVARA_LAYER_${name}_FOLDER ${ARG_FOLDER})
  set_property(GLOBAL APPEND PROPERTY QUELVARA_LAYERS ${name})

  # The layer's own headers, as links in a folder of their own.
  set(include_root ${CMAKE_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${include_root})
  file(MAKE_DIRECTORY ${include_root}/${ARG_FOLDER})
  file(GLOB headers CONFIGURE_DEPENDS ${folder}/*.h)
  foreach(header ${headers})
    get_filename_component(header_name ${header} NAME)
    file(CREATE_LINK ${header} ${include_root}/${ARG_FOLDER}/${header_name} SYMBOLIC)
  endforeach()

  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(ARG_PROGRAM)
    add_executable(${ARG_PROGRAM} ${sources})
    target_include_directories(${ARG_PROGRAM} PRIVATE ${include_root})
    target_link_libraries(${ARG_PROGRAM} PRIVATE ${dep_targets} ${ARG_LIBS})
    set_target_properties(${ARG_PROGRAM} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUELVARA_APP_DIR})
  elseif(sources)
    add_library(quelvara_${name} STATIC ${sources})
    target_include_directories(quelvara_${name} PUBLIC ${include_root})
    target_link_libraries(quelvara_${name} PUBLIC ${dep_targets} ${ARG_LIBS})
  else()
    add_library(quelvara_${name} INTERFACE)
    target_include_directories(quelvara_${name} INTERFACE ${include_root})
    target_link_libraries(quelvara_${name} INTERFACE ${dep_targets} ${ARG_LIBS})
  endif()
endfunction()

# Writes every declared layer as one line "<name> <folder> <layers it may use...>", for the
# layering test.
function(quelvara_write_layer_manifest path)
  get_property(layers GLOBAL PROPERTY QUELVARA_LAYERS)
  set(content "")
  foreach(layer ${layers})
    get_property(folder GLOBAL PROPERTY QUELVARA_LAYER_${layer}_FOLDER)
    get_property(allowed GLOBAL PROPERTY QUELVARA_LAYER_${layer}_ALLOWED)
    list(JOIN allowed " " allowed_text)
    string(APPEND content "${layer} ${folder} ${allowed_text}\n")
  endforeach()
  file(WRITE ${path} "${content}")
endfunction()

# One GoogleTest program per test folder.
function(quelvara_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPS;PROPERTIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(test_${name} PRIVATE
    QUELVARA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUELVARA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${ARG_PROPERTIES})
endfunction()

# Compiles the text of a data file into target as the std::string_view symbol (a qualified
# name, declared in a header of the target's own), so that the program needs no file of it.
function(quelvara_embed_text target symbol file)
  get_filename_component(name ${file} NAME)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${output} -DSYMBOL=${symbol} -DNAME=${name}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    COMMENT "Compiling in ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
