# Record view library (applying tab descriptions, record loading, header).
add_library(stanor_recordview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/RecordViewRules.cpp
)
target_include_directories(stanor_recordview PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(stanor_recordview PUBLIC stanor_pages_core stanor_service_core Qt6::Core)
