# Editing a record: change detection and pending statements, the keyboard
# and focus events of the fields, field rules, date checks, list editing.
add_library(stanor_editing STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PageUpdates.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListEditor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComboEvents.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FieldRules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DateExits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordEditing.cpp
)
target_include_directories(stanor_editing PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(stanor_editing PUBLIC stanor_recordview stanor_pages_ui stanor_records_core stanor_rules_core
  stanor_service_core stanor_platform stanor_toolkit Qt6::Widgets)
