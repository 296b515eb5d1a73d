# Record view tests (applying descriptions, record loading, header).
add_executable(test_pages_recordview_rules ${CMAKE_CURRENT_LIST_DIR}/test_recordview_rules.cpp)
target_link_libraries(test_pages_recordview_rules PRIVATE stanor_pages_core GTest::gtest_main)
gtest_discover_tests(test_pages_recordview_rules TEST_PREFIX "recordview." DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(test_pages_recordview_apply ${CMAKE_CURRENT_LIST_DIR}/test_recordview_apply.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_recordview_binding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_recordview_fixture.h ${CMAKE_CURRENT_LIST_DIR}/test_recordview_main.cpp)
target_link_libraries(test_pages_recordview_apply PRIVATE stanor_recordview Qt6::Test GTest::gtest)
gtest_discover_tests(test_pages_recordview_apply TEST_PREFIX "recordview." DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
