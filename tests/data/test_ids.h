/* Ids of the test resource library. */
#define IDS_TEST_LONG 100
#define IDS_TEST_TWO_LANGUAGES 101
#define IDS_TEST_UNICODE 102
#define IDB_TEST_TREE 200
#define IDB_TEST_TREE_STATE 201
#define IDB_TEST_TOOLBAR 202
#define IDB_TEST_ROWS 203
