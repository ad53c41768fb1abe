/* Ids of the test resource library. */
#define IDS_TEST_LONG 100
#define IDS_TEST_TWO_LANGUAGES 101
#define IDS_TEST_UNICODE 102
