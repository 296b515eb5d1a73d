# Record view library (applying tab descriptions, record loading, header).
add_library(stanor_recordview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/RecordViewForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HeaderStrip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FieldBinding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpdateTabDesc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordView.cpp
)
target_include_directories(stanor_recordview PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(stanor_recordview PUBLIC stanor_pages_core stanor_service_core stanor_toolkit Qt6::Widgets)
