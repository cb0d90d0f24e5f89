# The layers of the source tree as docs/architecture.md's rule table states
# them, read by the configure step (to record what each target links) and by
# check_layers.cmake (the `layers` test). A row of the table is
#   | `folder/` | `target`, ... | what lives there | may use | tests also use |
# where "may use" names folders in backticks, "the OS" (system headers),
# "Qt 6" (Qt's headers) or "anything".

# attr_read_rule_table(FILE): sets, in the caller's scope,
#   attr_layer_folders               every folder of the table
#   attr_layer_targets_<folder>      its targets
#   attr_layer_uses_<folder>         the folders it may use
#   attr_layer_test_uses_<folder>    the folders its tests may use besides
#   attr_layer_os_<folder>           TRUE when it may include system headers
#   attr_layer_qt_<folder>           TRUE when it may include Qt's headers
#   attr_layer_any_<folder>          TRUE when it may include anything
function(attr_read_rule_table file)
  file(STRINGS "${file}" rows ENCODING UTF-8 REGEX "^\\| `[^`]+/` \\|")
  set(folders)
  foreach(row IN LISTS rows)
    string(REPLACE "|" ";" cells "${row}")
    list(LENGTH cells count)
    if(count LESS 6)
      message(FATAL_ERROR "${file}: a rule-table row has too few cells: ${row}")
    endif()
    list(GET cells 1 folder_cell)
    list(GET cells 2 target_cell)
    list(GET cells 4 uses_cell)
    list(GET cells 5 test_cell)
    string(REGEX MATCH "`([^`]+)`" _ "${folder_cell}")
    set(folder "${CMAKE_MATCH_1}")
    list(APPEND folders "${folder}")
    foreach(part IN ITEMS target uses test)
      string(REGEX MATCHALL "`[^`]+`" items "${${part}_cell}")
      string(REPLACE "`" "" items "${items}")
      set(${part}_items "${items}")
    endforeach()
    set(attr_layer_targets_${folder} "${target_items}" PARENT_SCOPE)
    set(attr_layer_uses_${folder} "${uses_items}" PARENT_SCOPE)
    set(attr_layer_test_uses_${folder} "${test_items}" PARENT_SCOPE)
    set(os FALSE)
    set(qt FALSE)
    set(any FALSE)
    if(uses_cell MATCHES "the OS")
      set(os TRUE)
    endif()
    if(uses_cell MATCHES "Qt 6")
      set(qt TRUE)
    endif()
    if(uses_cell MATCHES "anything")
      set(any TRUE)
    endif()
    set(attr_layer_os_${folder} ${os} PARENT_SCOPE)
    set(attr_layer_qt_${folder} ${qt} PARENT_SCOPE)
    set(attr_layer_any_${folder} ${any} PARENT_SCOPE)
  endforeach()
  if(NOT folders)
    message(FATAL_ERROR "${file}: no rule table found")
  endif()
  set(attr_layer_folders "${folders}" PARENT_SCOPE)
endfunction()

# attr_record_layer_links(TABLE OUT): writes OUT, one line per target of the
# table that this build defines: "<target>=<linked target>,<linked target>...",
# listing only the links that are themselves targets of the table (and `jet`,
# the whole engine).
function(attr_record_layer_links table out)
  attr_read_rule_table("${table}")
  set(lines "")
  foreach(folder IN LISTS attr_layer_folders)
    foreach(target IN LISTS attr_layer_targets_${folder})
      if(NOT TARGET ${target})
        continue()
      endif()
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
      else()
        get_target_property(links ${target} LINK_LIBRARIES)
      endif()
      if(NOT links)
        set(links "")
      endif()
      list(JOIN links "," joined)
      string(APPEND lines "${target}=${joined}\n")
    endforeach()
  endforeach()
  file(WRITE "${out}" "${lines}")
endfunction()
