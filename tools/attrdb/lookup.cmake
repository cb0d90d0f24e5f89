# attrdb lookup and list, with their tests.
target_sources(attrdb PRIVATE attribution_index.cpp city_heads.cpp column_values.cpp
  line_reader.cpp lookup_output.cpp lookup_run.cpp mobile_number.cpp)
