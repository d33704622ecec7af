# The server suite once more on PostgreSQL: a throw-away server started once
# for all of them (a ctest fixture, label server_pg: the thread-sanitizer pass
# leaves it out, the threads are the same as on SQLite), each test on a fresh
# schema. The framing tests skip themselves there: they never reach the
# database.
set(KIV_PG_STATE ${PROJECT_BINARY_DIR}/postgres-test)
add_test(NAME server.postgres_start COMMAND ${CMAKE_CURRENT_LIST_DIR}/store/postgres.sh start ${KIV_PG_STATE})
add_test(NAME server.postgres_stop COMMAND ${CMAKE_CURRENT_LIST_DIR}/store/postgres.sh stop ${KIV_PG_STATE})
set_tests_properties(server.postgres_start PROPERTIES FIXTURES_SETUP postgres LABELS server_pg TIMEOUT 120)
set_tests_properties(server.postgres_stop PROPERTIES FIXTURES_CLEANUP postgres LABELS server_pg TIMEOUT 60)
gtest_discover_tests(test_server
  TEST_PREFIX "pg."
  TEST_LIST test_server_pg_tests
  DISCOVERY_TIMEOUT 120
  PROPERTIES LABELS server_pg TIMEOUT 300 FIXTURES_REQUIRED postgres ENVIRONMENT "KIV_TEST_POSTGRES=${KIV_PG_STATE}/url")
