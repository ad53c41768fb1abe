/* Ids of the language library's resources: the contract between the program and
   QVNLANGUAGE.DLL. Plain C macros, so both the resource compiler and C++ read them. */
#ifndef SLATEWAY_RESOURCE_IDS_H
#define SLATEWAY_RESOURCE_IDS_H

/* ---- Strings ------------------------------------------------------------------ */
#define IDS_NEWER_DOCUMENT_VERSION 16     /* format: the version text (%s) */
#define IDS_DOCTYPE_INVOICE 40113         /* type names, also file-name prefixes */
#define IDS_DOCTYPE_PAYMENT 40114
#define IDS_DOCTYPE_CREDIT_MEMO 40115
#define IDS_DOCTYPE_ESTIMATE 40118
#define IDS_DOCTYPE_MEMORIZED 40120
#define IDS_DOCTYPE_SALES_RECEIPT 40343
#define IDS_DOCTYPE_SALES_ORDER 40381
#define IDS_PROGRESS_ABORTED 40235
#define IDS_MENUBAR_FAILED 40241
#define IDS_HTML_CONTROL_FAILED 40243
#define IDS_OUT_OF_MEMORY 40244
#define IDS_TEXT_OUT_OF_MEMORY 40250    /* a file's text found no memory */
#define IDS_SAVE_AS_DEFAULT_MESSAGE 40272
#define IDS_CONFIRM_START_INVOICE 40635       /* a typed number as the type's new start */
#define IDS_CONFIRM_START_ESTIMATE 40636
#define IDS_CONFIRM_START_SALES_RECEIPT 40637
#define IDS_CONFIRM_START_PAYMENT 40638
#define IDS_CONFIRM_START_SALES_ORDER 40639
#define IDS_CONFIRM_START_CREDIT_MEMO 40643
#define IDS_DB_INSERT_FAILED 40650        /* format: the engine's result code (%d) */
#define IDS_DB_NEW_DATABASE 40657         /* format: the database path (%s) */
#define IDS_DB_UPDATE_FAILED 40658        /* format: the engine's result code (%d) */
#define IDS_DB_DAMAGED 42660              /* format: the database path (%s) */
#define IDS_DB_IN_USE 42661               /* format: the database path (%s) */
#define IDS_DB_NOT_REACHED 42662          /* format: the database path (%s) */
#define IDS_UPDATE_FILE_DAMAGED 42663     /* format: the update file's path (%s) */
#define IDS_UPDATE_FILE_IN_USE 42664      /* format: the update file's path (%s) */

/* The skeleton of a new sales document: declaration, the root's opening tag by type
   (with VERSION="4", the format version the tax rules read), the empty blocks, the
   root's closing tag, concatenated in this order: 40054, type, 40081, 40082, 40088,
   40089, 40059. */
#define IDS_SKELETON_DECLARATION 40054
#define IDS_SKELETON_INVOICE 40058
#define IDS_SKELETON_END 40059
#define IDS_SKELETON_ESTIMATE 40060
#define IDS_SKELETON_SALES_RECEIPT 40061
#define IDS_SKELETON_SALES_ORDER 40065
#define IDS_SKELETON_PAYMENT 40066
#define IDS_SKELETON_COMPANY_SHIPTO 40081
#define IDS_SKELETON_CUSTOMER 40082
#define IDS_SKELETON_JOB 40088
#define IDS_SKELETON_TOTALS 40089
#define IDS_SKELETON_CREDIT_MEMO 40642

/* ---- Document operations and exports (messages) ------------------------------- */
#define IDS_EXPORT_FAILED 40226            /* the export did not complete */
#define IDS_FILE_NOT_WRITTEN 40245         /* format: the file path (%s) */
#define IDS_FILE_TOO_LARGE 40248           /* format: the file path (%s), the limit in MB (%d) */
#define IDS_EXPORT_PAGE_NOT_WRITTEN 40246
#define IDS_EXPORT_TRANSFORM_FAILED 40247
#define IDS_NUMBER_TAKEN_RENUMBER 40278    /* OK/Cancel: take the next free number */
#define IDS_EXPORT_LOGO_NOT_COPIED 40388
#define IDS_EXPORT_SIGNATURE_NOT_COPIED 40389
#define IDS_PRICE_LEVEL_CHANGED 40647
#define IDS_CONFIRM_VOID 40676              /* Yes/No */

/* ---- E-mail of documents and reports (messages) -------------------------------- */
#define IDS_EMAIL_IN_OUTBOX 40634           /* the message waits in the Outbox */
#define IDS_EMAIL_NEEDS_RECIPIENT 40656     /* To was left empty */
#define IDS_EMAIL_NOT_SENT 42586            /* the message could not be put in the Outbox */
/* ---- Printing (messages) ------------------------------------------------------ */
#define IDS_PRINT_ENGINE_TOO_OLD 40231      /* shown with the arrow cursor */
#define IDS_PRINT_ENGINE_NOT_CREATED 40271  /* format: the error code (%X) */
#define IDS_PRINT_ENGINE_NOT_REGISTERED 40325 /* format: the error code (%X) */
#define IDS_PRINTER_NOT_READY 40366         /* format: the printer's status (%d) */
#define IDS_PRINT_OUTPUT_NOT_SAVED 42587    /* the job's file could not be written */
#define IDS_DOCUMENT_NOT_MOVED 42600       /* a document the deleted folder could not take */

/* ---- Stylesheet fragments of the document page ----------------------------------
   Strings and HTML resources (type 23) that the stylesheet generator concatenates into
   one XSL stylesheet over the document file. Fragments marked "fmt" take arguments: the
   alignment word ("left"/"right") and a caption, or a caption alone, as %s. Every
   fragment is balanced XML except where noted: the section openers leave one row open
   that the row end (40306) or the section end (40327) closes. */
#define IDS_XSL_HEAD 40083                 /* stylesheet start, named templates, page template start */
#define IDS_XSL_TAIL 40086
#define IDS_XSL_PAGE_HEAD 40087            /* HTML head, style sheet, page table start */
#define IDS_XSL_TOTALS_BEGIN 40096
#define IDS_XSL_TOTALS_END 40097
#define IDS_XSL_SUBTOTAL 40098             /* fmt: caption */
#define IDS_XSL_TAX_LINK 40099             /* fmt: caption */
#define IDS_XSL_TOTAL 40100                /* fmt: caption */
#define IDS_XSL_BOX_RULE 40101
#define IDS_XSL_TAX 40103                  /* fmt: caption */
#define IDS_XSL_BOX_GAP 40104
#define IDS_XSL_TOTAL_QTY 40116            /* fmt: caption */
#define IDS_XSL_MESSAGE_LINK 40154
#define IDS_XSL_MESSAGE 40155
#define IDS_XSL_NOTES_LINK 40156
#define IDS_XSL_NOTES 40157
#define IDS_XSL_LINES0_DESC 40204          /* fixed line tables, opener of one open row */
#define IDS_XSL_LINES0_NAME 40205
#define IDS_XSL_LINES1_DESC 40206
#define IDS_XSL_LINES1_NAME 40207
#define IDS_XSL_LINES2_DESC 40208
#define IDS_XSL_LINES2_NAME 40209
#define IDS_XSL_LINES3_DESC 40210
#define IDS_XSL_LINES3_NAME 40211
#define IDS_XSL_BOX_END_RULE 40214
#define IDS_XSL_SIGNATURE_LINK 40274
#define IDS_XSL_SIGNATURE 40275
#define IDS_XSL_TITLE_LINK 40293           /* fmt: caption */
#define IDS_XSL_TITLE 40294                /* fmt: caption */
#define IDS_XSL_BILLTO_OLD_LINK 40295      /* fmt: caption */
#define IDS_XSL_JOB_LINK 40296             /* fmt: alignment, caption (also 40297-40303, 40316-40323, 40339-40342, 40359-40364, 40372-40377) */
#define IDS_XSL_TERMS_LINK 40297
#define IDS_XSL_DUEDATE_LINK 40298
#define IDS_XSL_SHIPTO_LINK 40299
#define IDS_XSL_SHIPVIA_LINK 40300
#define IDS_XSL_SHIPDATE_LINK 40301
#define IDS_XSL_PONUM_LINK 40302
#define IDS_XSL_REP_LINK 40303
#define IDS_XSL_HEADER_FIELDS_LINK 40305
#define IDS_XSL_ROW_END 40306
#define IDS_XSL_LOGO_LINK 40307
#define IDS_XSL_NUMBER_LINK 40308          /* fmt: caption */
#define IDS_XSL_COMPANY_LINK 40309
#define IDS_XSL_DATE_LINK 40310            /* fmt: caption */
#define IDS_XSL_LOGO_FILE 40311
#define IDS_XSL_NUMBER 40312               /* fmt: caption */
#define IDS_XSL_COMPANY 40313
#define IDS_XSL_DATE 40314                 /* fmt: caption */
#define IDS_XSL_SHIPTO 40316
#define IDS_XSL_SHIPVIA 40317
#define IDS_XSL_SHIPDATE 40318
#define IDS_XSL_PONUM 40319
#define IDS_XSL_TERMS 40320
#define IDS_XSL_JOB 40321
#define IDS_XSL_DUEDATE 40322
#define IDS_XSL_REP 40323
#define IDS_XSL_LOGO_SCREEN 40326
#define IDS_XSL_SECTION_END 40327
#define IDS_XSL_HEADER_FIELDS 40328
#define IDS_XSL_BILLTO_COMPANY_PERSON 40337 /* fmt: caption (also 40338, 40356, 40382, 40390, 40393, 40378, 40385, 40391) */
#define IDS_XSL_BILLTO_COMPANY 40338
#define IDS_XSL_PAYMENT_LINK 40339
#define IDS_XSL_PAYMENT 40340
#define IDS_XSL_CHKNUM 40341
#define IDS_XSL_CHKNUM_LINK 40342
#define IDS_XSL_COLUMNS_BEGIN 40351
#define IDS_XSL_COLUMNS_BEGIN_LINK 40352
#define IDS_XSL_COLUMN_HEADER 40354        /* fmt: caption */
#define IDS_XSL_COLUMN_HEADER_FIGURES 40355 /* fmt: caption; over a column of right-aligned figures */
#define IDS_XSL_BILLTO_PERSON 40356
#define IDS_XSL_OTHER1_LINK 40359
#define IDS_XSL_OTHER2_LINK 40360
#define IDS_XSL_OTHER3_LINK 40361
#define IDS_XSL_OTHER1 40362
#define IDS_XSL_OTHER2 40363
#define IDS_XSL_OTHER3 40364
#define IDS_XSL_CARDNUM_LINK 40372
#define IDS_XSL_CARDEXP_LINK 40373
#define IDS_XSL_PAYAMOUNT_LINK 40374
#define IDS_XSL_CARDNUM 40375
#define IDS_XSL_CARDEXP 40376
#define IDS_XSL_PAYAMOUNT 40377
#define IDS_XSL_BILLTO_HOME_LINK 40378
#define IDS_XSL_BOX_END_GAP 40380
#define IDS_XSL_BILLTO_HOME 40382
#define IDS_XSL_BILLTO_TABLE_LINK 40385
#define IDS_XSL_BILLTO_ADDRESS 40390
#define IDS_XSL_BILLTO_BUSINESS_LINK 40391
#define IDS_XSL_BILLTO_EMPTY 40393

/* HTML resources (type 23, UTF-8 text) of the page: link variants of the fixed line
   tables and the cells of the chosen-columns table. */
#define RT_HTML_FRAGMENT 23
#define IDH_LINES0_DESC_LINK 207
#define IDH_LINES1_DESC_LINK 208
#define IDH_LINES3_DESC_LINK 209
#define IDH_LINES2_DESC_LINK 210
#define IDH_LINES0_NAME_LINK 212
#define IDH_LINES3_NAME_LINK 213
#define IDH_LINES1_NAME_LINK 214
#define IDH_LINES2_NAME_LINK 215
#define IDH_COLUMNS_END 219
#define IDH_CELL_DESCRIPTION_LINK 220
#define IDH_CELL_QUANTITY_LINK 221
#define IDH_CELL_PRICE_LINK 222
#define IDH_CELL_SERVICED_LINK 223
#define IDH_CELL_TOTAL 224
#define IDH_CELL_NAME_LINK 225
#define IDH_CELL_SERVICED 226
#define IDH_CELL_DESCRIPTION 227
#define IDH_CELL_NAME 228
#define IDH_CELL_QUANTITY 229
#define IDH_CELL_PRICE 230
#define IDH_CELL_TAX_AMOUNT 232
#define IDH_CELL_TAXABLE_LINK 233
#define IDH_CELL_TAXABLE 234
#define IDH_BILLTO_TABLE 249               /* fmt: caption */
#define IDH_CELL_CUSTOM1 250
#define IDH_CELL_CUSTOM2 251

/* ---- The edit popup of the data-entry form: texts and commands ---------------- */
#define IDS_EDIT_CUT 40590
#define IDS_EDIT_COPY 40591
#define IDS_EDIT_PASTE 40592
#define IDS_EDIT_CLEAR 40593
#define IDS_EDIT_SELECT_ALL 40594
#define IDM_EDIT_CUT 40088
#define IDM_EDIT_COPY 40089
#define IDM_EDIT_PASTE 40090
#define IDM_EDIT_CLEAR 40012
#define IDM_EDIT_SELECT_ALL 40016

/* ---- Dialog templates --------------------------------------------------------- */
#define IDD_REGISTER_PROGRESS 155
#define IDD_MEMORIZE 230
#define IDD_DATE_PICKER 131
#define IDD_FIELD_FORM 127
#define IDD_FIELD_FORM_PAGE 142

/* The progress window and the small dialogs with their controls. */
#define IDD_PROGRESS_WINDOW 211
#define IDC_PROGRESS_STATUS 1063
#define IDD_OVERWRITE_PROMPT 206
#define IDC_OVERWRITE_TEXT 1098
#define IDC_OVERWRITE_ALL 1097
#define IDD_DOC_OPTIONS 235
#define IDC_DOC_TO_PRINT 1041
#define IDC_DOC_TO_EMAIL 1016
#define IDC_DOC_INCLUDES_TAX 1018
#define IDC_DOC_REMOVE_ZERO_QTY 137
#define IDC_DOC_TITLE_OK 1009

/* ---- Bitmaps ------------------------------------------------------------------ */
#define IDB_FORM_DROPDOWN 141
#define IDB_ITEMS_MENUBAR 155
#define IDB_MAIN_MENUBAR_SELECTED 170
#define IDB_MAIN_MENUBAR 171
#define IDB_CALENDAR_MARK 173
#define IDB_HEADER_DROPDOWN 181
#define IDB_CHECK_COMPLETE_HIGHLIGHT 184
#define IDB_CHECK_COMPLETE 185
#define IDB_CHECK_EMPTY 186
#define IDB_REGISTER_CHECK_TITLE 176        /* the register's check-box column title, 13 x 13 */
#define IDB_REGISTER_CHECK_TITLE_HIRES 295  /* the same, 26 x 26 */
#define IDB_TITLE_OK 191
#define IDB_TITLE_CANCEL 192
#define IDB_TITLE_CANCEL_PRESSED 193
#define IDB_TITLE_OK_PRESSED 194
#define IDB_SIGNATURE_BACKGROUND 204
#define IDB_MARK_SIGNED 250
#define IDB_MARK_PAID 253
#define IDB_MARK_VOID 255

/* ---- Desktop commands (the progress window's closing texts) ---------------------- */
#define IDS_DESKTOP_LISTS_UPDATED 40239
#define IDS_DESKTOP_JOBS_UPDATED 40331
#define IDS_DESKTOP_RELOADING_LISTS 40648
#define IDS_DESKTOP_DATABASE_UPDATED 40666
#define IDS_DESKTOP_DATABASE_KEPT 40891    /* the new database did not open; the old one stays */
#define IDS_DESKTOP_NO_DATABASE_UPDATE 42584  /* no update file, or no open database: nothing replaced */
#define IDS_DESKTOP_DATABASE_NOT_COPIED 42642 /* fmt: the update file's path; the copy for the desktop failed */
#define IDS_DESKTOP_DISK_FULL_NOT_COPIED 42643 /* fmt: the update file's path; no room for the copy */

/* ---- Controls ----------------------------------------------------------------- */
#define IDC_PROGRESS_BAR 1150
#define IDC_DIALOG_HEADING 1040
#define IDC_MEMORIZE_NAME 1060
#define IDC_MEMORIZE_CLEAR_QTYS 1015
#define IDC_MEMORIZE_SECOND 1016
#define IDC_DATE_CALENDAR 1028
#define IDC_FORM_CHECK 1015
#define IDC_FORM_LIST 1039
#define IDC_FORM_EXTRA1 1043
#define IDC_FORM_EXTRA2 1044
#define IDC_FORM_EXTRA_CANCEL 1045
#define IDC_FORM_HEADING_RULE 1063
#define IDC_FORM_NOTE 1104

/* The device box: shown while a scanner or card reader starts. */
#define IDD_DEVICE_BOX 231
#define IDC_DEVICE_BOX_TEXT 1055

/* ---- The list update --------------------------------------------------------- */
#define IDS_UPDATE_UNKNOWN_MEMBER 40324    /* fmt: the group line's item name */
#define IDS_UPDATE_IMPORTING_CUSTOMERS 40332
#define IDS_UPDATE_FILE_TOO_LARGE 40348
#define IDS_UPDATE_DATABASE_BUSY 42581     /* a run stopped: another program held the database */
#define IDS_UPDATE_DISK_FULL 42582
#define IDS_UPDATE_NOT_STORED 42583        /* a run stopped by any other failure of the database */
#define IDS_UPDATE_DATABASE_NOT_OPEN 42640 /* the database was closed (by the desktop) when the update came */
#define IDS_UPDATE_REPEATED_IDS 42641      /* fmt: how many records repeated an id of the same run */
/* ---- Main window and document register ----------------------------------------- */
#define IDS_REGISTER_COLUMN_CUSTOMER 40147
#define IDS_REGISTER_COLUMN_AMOUNT 40151
#define IDS_COMPLETE_NEEDS_NUMBER 40227    /* a document without a number is not complete */
#define IDS_COMPLETE_NEEDS_LINE 40228
#define IDS_COMPLETE_NEEDS_CUSTOMER 40229
#define IDS_COM_INIT_FAILED 40237
#define IDS_CONTROLS_INIT_FAILED 40238
#define IDS_SCHEMA_UPGRADE_FAILED 40663
#define IDS_OPERATION_STOPPED 40673
#define IDS_MAIN_MENUBAR_NEW 40700
#define IDS_MAIN_MENUBAR_MENU 40701
#define IDR_MAIN_MENUBAR 281
#define IDM_MAIN_EXIT 40002
#define IDM_MAIN_REFRESH_LIST 40240
#define IDM_MAIN_MENU_BUTTON 40703
/* ---- Main window commands and document actions --------------------------------- */
#define IDS_DELETE_INVOICE 40199           /* the delete questions, by kind */
#define IDS_DELETE_ESTIMATE 40200
#define IDS_DELETE_SALES_RECEIPT 40368
#define IDS_DELETE_PAYMENT 40369
#define IDS_DELETE_SALES_ORDER 40370
#define IDS_DELETE_CREDIT_MEMO 40371
#define IDS_DELETE_MEMORIZED 40383
#define IDS_SIGNED_NOT_DELETED 40677
#define IDS_DELETE_NAMED_FOR_GOOD 40682    /* fmt: the document's name */
#define IDS_DELETE_NAMED 40683             /* fmt: the document's name */
#define IDS_SETTINGS_IMPORTED 40392
#define IDS_SETTINGS_IMPORTING 40685
#define IDS_SETTINGS_EXPORTING 40688
#define IDM_MAIN_EXPORT_SETTINGS 40260
#define IDM_MAIN_IMPORT_SETTINGS 40261
#define IDM_MAIN_HELP 40400
#define IDM_MAIN_VIEW_BY_COMPANY 40219
#define IDM_MAIN_VIEW_BY_NAME 40220
#define IDM_ROW_EDIT 101
/* ---- Main window: the editor's documents and the menus that lead there ------------------- */
#define IDM_MAIN_DOCUMENT_POPUP 40048
#define IDM_MAIN_VIEW_POPUP 40217
#define IDM_MAIN_SHOW_EDITOR 40146
#define IDM_MAIN_LINE_ITEM_LISTS 40161
#define IDM_MAIN_OTHER_LISTS 40168
#define IDM_SHOW_COMPLETE 109
#define IDM_SHOW_IN_PROGRESS 110
#define IDM_SHOW_ALL 111
#define IDM_SHOW_INVOICES 120
#define IDM_SHOW_ESTIMATES 121
#define IDM_SHOW_SALES_RECEIPTS 122
#define IDM_SHOW_PAYMENTS 123
#define IDM_SHOW_SALES_ORDERS 124
#define IDM_SHOW_CREDIT_MEMOS 125
#define IDM_SHOW_MEMORIZED 128
#define IDM_SHOW_DELETED 135
#define IDM_SORT_BALANCE 105
#define IDM_SORT_CUSTOMER 106
#define IDM_SORT_DATE 107
#define IDM_SORT_NUMBER 108
#define IDM_SORT_TYPE 112
#define IDM_SORT_COMPLETE 117

/* ---- The customer screens: the customer list, the customer dialog, the item entry -- */
#define IDD_CUSTOMER_LIST 109
#define IDD_TABBED_FORM 125                /* the full-screen dialogs of tabbed form pages */
#define IDR_CONTACT_LIST_BAR 109           /* menu bar of the list over contacts */
#define IDR_CUSTOMER_LIST_BAR 141          /* menu bar of the list over the customer table */
#define IDB_CATEGORY_ARROW 196
#define IDS_CONFIRM_DELETE_CUSTOMER 40201
#define IDS_CUSTOMIZE_NOT_SAVED 42585      /* Customize's settings could not be written */
#define IDS_CUSTOMER_BAR_NEW 41310
#define IDS_CUSTOMER_BAR_MENU 41311
#define IDM_CUSTOMER_MENU 40045
#define IDM_CUSTOMER_NEW 40131
#define IDM_CUSTOMER_EDIT 40160
#define IDM_CUSTOMER_BY_COMPANY 40176
#define IDM_CUSTOMER_BY_NAME 40177

/* ---- The report viewer: its window, menu bar (menu and bar share the id), the bar's
   and the toolbar's pictures, and its commands ---------------------------------- */
#define IDD_REPORT_VIEW 134
#define IDR_REPORT_MENUBAR 140
#define IDB_REPORT_TOOLBAR 208             /* Fit to Screen, Zoom, E-mail, Print */
#define IDB_REPORT_MENUBAR 304             /* toolbar, zoom, fit */
#define IDS_REPORT_BAR_MENU 40901
#define IDS_REPORT_BAR_TOOLBAR 40902
#define IDS_FILE_SAVED 40240             /* a document export or a report written */
#define IDM_REPORT_MENU 40045
#define IDM_REPORT_PRINT 40226
#define IDM_REPORT_SAVE_HTML 40227
#define IDM_REPORT_EMAIL_HTML 40229

/* ---- Commands that several menus share ------------------------------------------
   One number, one command, whichever menu or bar sends it: the register's row menu and
   Document popup, the editor's menus and bars, the report viewer's. The editor's Cut,
   Copy and Paste of a line are the edit popup's IDM_EDIT_CUT, IDM_EDIT_COPY and
   IDM_EDIT_PASTE. */
#define IDM_NEW_INVOICE 40006              /* also names the New popups, by their first entry */
#define IDM_NEW_ESTIMATE 40158
#define IDM_NEW_SALES_RECEIPT 40187
#define IDM_NEW_PAYMENT 40215
#define IDM_NEW_SALES_ORDER 40216
#define IDM_NEW_CREDIT_MEMO 40230
#define IDM_OPTIONS 40029
#define IDM_PRINT_DOCUMENT 40105           /* asks for the printer settings first */
#define IDM_EXPORT_HTML 40170
#define IDM_EXPORT_CSV 40194
#define IDM_EMAIL_HTML 40203
#define IDM_EMAIL_QVN 40205
#define IDM_DELETE_DOCUMENT 40033
#define IDM_REPORT_ROUTE_ACCOUNT 40222
#define IDM_REPORT_ROUTE_CASH 40223
#define IDM_REPORT_PROFIT_MARGIN 40231
#define IDM_REPORT_PICK_LIST 40244
#define IDM_TOOLBAR_BUTTON 116             /* the menu bar's toolbar button */
#define IDM_SHOW_TOOLBAR 40167
#define IDM_FIT_TO_SCREEN 40017
#define IDM_ZOOM_NEXT 40023                /* after the largest comes the smallest */
#define IDM_ZOOM0 40019
#define IDM_ZOOM1 40098
#define IDM_ZOOM2 40020
#define IDM_ZOOM3 40021
#define IDM_ZOOM4 40022

/* ---- The document editor ----------------------------------------------------- */
#define IDS_NO_SCANNER 3                  /* the scanner bar without a scanner */
#define IDS_MEMORIZED 40660
#define IDS_MEMORIZE_REPLACE 40661        /* fmt: the template's name (%s); Yes/No */
#define IDS_EDITOR_BAR_EDIT 41702
#define IDS_EDITOR_BAR_VIEW 41703
#define IDR_EDITOR_MENUBAR 105            /* menu and menu bar */
#define IDD_LOGO_PICKER 128
#define IDD_DOCUMENT_VIEW 133
#define IDD_SAVE_CHANGES 136
#define IDC_SAVE_CHANGES_TEXT 1061
#define IDC_LOGO_LIST 100
#define IDB_EDITOR_TOOLBAR 151            /* 9 images of 16 x 16 */
#define IDB_EDITOR_TOOLBAR_HIRES 158      /* the same, 32 x 32, for a high-resolution screen */
#define IDB_SIGNATURE_BAR 203
#define IDB_EDITOR_MENUBAR 205            /* 4 images of 16 x 16 */
#define IDB_CARD_STATE_OTHER 279          /* 279-288: the card-reader bar by state */
/* The editor's own commands: its menu bar's buttons and popups, its menus, its document
   popups and its command toolbar (Done is IDOK). */
#define IDM_SIGNATURE_BUTTON 117
#define IDM_EDITOR_CUSTOMER_MESSAGE 118
#define IDM_CARD_READER_BUTTON 119
#define IDM_EDITOR_PRINT_BUTTON 129        /* asks for printer settings only when none are set */
#define IDM_SCANNER_BUTTON 130
#define IDM_EDITOR_EMAIL_BUTTON 132        /* as the last e-mail went: document file or HTML */
#define IDM_UNDO 40014
#define IDM_REDO 40015
#define IDM_EDITOR_SAVE_AS 40030
#define IDM_EDITOR_EDIT_POPUP 40042
#define IDM_EDITOR_VIEW_POPUP 40045
#define IDM_EDITOR_EDIT_LINE 40087
#define IDM_EDITOR_ADD_LINE_ITEM 40094
#define IDM_EDITOR_SHOW_SHIP_TO 40096
#define IDM_STYLE_SERVICE 40110
#define IDM_STYLE_PRODUCT 40111
#define IDM_STYLE_BOTH 40112
#define IDM_STYLE_PROFESSIONAL 40113
#define IDM_STYLE_CUSTOM 40190
#define IDM_EDITOR_EDIT_CUSTOMER 40134
#define IDM_EDITOR_CHOOSE_CUSTOMER 40135
#define IDM_EDITOR_DELETE_LINE 40149
#define IDM_EDITOR_LOGO 40151
#define IDM_EDITOR_VIEW_OPTION4 40153
#define IDM_EDITOR_CREATE_INVOICE 40156
#define IDM_EDITOR_COMPANY 40166
#define IDM_EDITOR_SHOW_SIGNATURE 40174
#define IDM_EDITOR_SIGNATURE 40178
#define IDM_EDITOR_CUSTOMIZE 40179
#define IDM_EDITOR_ADD_LABEL 40180
#define IDM_EDITOR_HIDE_LINKS 40182
#define IDM_EDITOR_NOTES 40189
#define IDM_EDITOR_MEMORIZE 40239
#define IDM_EDITOR_VOID 40245
#define IDM_EDITOR_TOGGLE_PAID 40246
#define IDM_EDITOR_ATTRIBUTES 40268
/* Customize, its field grid pages, the Options sheet and the printer settings. */
#define IDD_FIELD_GRID_PAGE 209
#define IDD_PRINTER_SETTINGS 156           /* on a portrait screen */
#define IDD_PRINTER_SETTINGS_LANDSCAPE 228
#define IDD_PRINTER_SETTINGS_SQUARE 229
#define IDS_PRINTER_PAPER_FIRST 40192     /* the paper types by number, 2 texts */
#define IDS_PRINTER_PORT_FIRST 40253      /* the engine's ports by number, 18 texts */
#define IDS_PRINTER_MODEL_FIRST 40500     /* the engine's printers by number, 44 texts */
#define IDC_TAB_CONTROL 200
#define IDC_PRINTER_MODEL 1016
#define IDC_PRINTER_PAPER 1017
#define IDC_PRINTER_PORT 1018
#define IDC_PRINTER_TEST 1043
#define IDC_PRINT_ITEMS_USING 1047
#define IDC_PRINT_COPIES 1048
#define IDC_PRINT_TEXT_SIZE 1049
#define IDC_PRINT_NOTES_SIZE 1050
#define IDC_GRID_LIST 1039
#define IDC_GRID_HEAD_SCREEN 1095
#define IDC_GRID_HEAD_PRINTER 1096
#define IDB_CHECK_NOT_APPLICABLE 206
#define IDB_CHECK_EMPTY_HIRES 297           /* 186, 185 and 206 twice the size, for a high-resolution screen */
#define IDB_CHECK_COMPLETE_HIRES 298
#define IDB_CHECK_NOT_APPLICABLE_HIRES 300
#define IDC_GRID_CAPTION_EDIT 300

/* The items list, its find bar and the find-progress dialog. */
#define IDD_ITEM_LIST 105
#define IDD_FIND_PROGRESS 210
#define IDC_FIND_NODE_TEXT 1151
#define IDC_FIND_LABEL 301
#define IDC_FIND_FIRST 302
#define IDC_FIND_NEXT 303
#define IDC_FIND_CLOSE 304
#define IDC_FIND_EDIT 305
#define IDS_NAME_HAS_COLON 40665
/* The items list's menu bar and toolbar, and what the tree shows while it works. */
#define IDR_ITEMS_MENUBAR 107               /* menu and menu bar */
#define IDS_ITEMS_BAR_NEW 41720
#define IDS_ITEMS_BAR_EDIT 41721
#define IDS_ITEMS_BAR_VIEW 41722
#define IDB_ITEMS_TOOLBAR 164               /* 10 images of 16 x 16 */
#define IDB_ITEMS_TOOLBAR_HIRES 166         /* the same, 32 x 32 */
#define IDB_TREE_IMAGES 114                 /* the items tree's 7 node pictures of 16 x 15 */
#define IDB_TREE_IMAGES_HIRES 293           /* the same, 32 x 30 */
#define IDD_TREE_LOADING 237                /* a container of many children being read */
#define IDD_TREE_WAIT 152                   /* a deleted category's contents being removed */
#define IDC_TREE_WAIT_TEXT 1152
/* The items list's own commands (its menus, toolbar and keys send the same); Undo, Redo,
   Cut, Copy, Paste and Add are the editor's IDM_UNDO, IDM_REDO, IDM_EDIT_CUT, IDM_EDIT_COPY,
   IDM_EDIT_PASTE and IDM_EDITOR_ADD_LINE_ITEM, the toolbar button IDM_TOOLBAR_BUTTON. */
#define IDM_ITEMS_NEW_ITEM 40004
#define IDM_ITEMS_NEW_CATEGORY 40062
#define IDM_ITEMS_NEW_GROUP 40193
#define IDM_ITEMS_EDIT 40097
#define IDM_ITEMS_DELETE 40059
#define IDM_ITEMS_FIND 40120
#define IDM_ITEMS_CLEAR_CHECKS 40124
#define IDM_ITEMS_SHOW_CHECK_BOXES 40145
#define IDM_ITEMS_ALPHABETIZE 40192
#define IDM_ITEMS_VIEW_BY_NAME 40236
#define IDM_ITEMS_VIEW_BY_DESCRIPTION 40237
#define IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION 40238
#define IDM_ITEMS_NEW_POPUP 40051
#define IDM_ITEMS_EDIT_POPUP 40042
#define IDM_ITEMS_VIEW_POPUP 40045

/* The main window's Options, printing and contacts commands, and moving the database. */
#define IDM_MAIN_CUSTOMERS 40165
#define IDS_DATABASE_NOT_MOVED 40670
#define IDS_DATABASE_COPIED 40671
#define IDS_DATABASE_FOUND 40672

/* The forms of line items: one line's values (the data-entry form), and the forms that
   add items from the items list, for several items with Add and Skip below the rows. */
#define IDD_ADD_LINE_ITEMS 153
#define IDD_ADD_LINE_ITEM 154

/* The header-field forms of the editor: check box captions. */
#define IDS_NOTES_USE_AS_DEFAULT 40350
#define IDS_LABEL_ADD_TO_LIST 40664

/* The editor's field holds. */
#define IDS_ERASE_SIGNATURE 40276       /* Yes/No */

#ifdef RC_INVOKED
/* Window styles the templates use, spelled out for the resource compiler only. */
#define RCS_POPUP_FRAME 0x80C80000L     /* popup, caption, system menu */
#define RCS_CHILD_VISIBLE 0x50000000L   /* child, visible */
#define RCS_CHILD_CENTRED 0x50000001L   /* child, visible, text centred (a static) */
#define RCS_FIELD_LIST 0x50804005L    /* child, visible, border, report, no header, single selection */
#define RCS_CHILD_PAGE 0x50000400L     /* child dialog inside another dialog */
#define RCS_PUSHBUTTON 0x50010000L     /* child, visible, tab stop, push button */
#define RCS_POPUP_PLAIN 0x80800000L     /* popup with a thin border, no caption */
#define RCS_EDIT 0x50810080L            /* child, visible, border, tab stop, scrolls sideways */
#define RCS_CHECKBOX 0x50010003L        /* child, visible, tab stop, automatic check box */
#define RCS_DROPLIST 0x50210003L        /* child, visible, tab stop, vertical scroll, drop-down list */
#endif

#endif
