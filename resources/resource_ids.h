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

/* ---- Dialog templates --------------------------------------------------------- */
#define IDD_REGISTER_PROGRESS 155
#define IDD_MEMORIZE 230

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
#define IDB_TITLE_OK 191
#define IDB_TITLE_CANCEL 192
#define IDB_TITLE_CANCEL_PRESSED 193
#define IDB_TITLE_OK_PRESSED 194
#define IDB_SIGNATURE_BACKGROUND 204
#define IDB_MARK_SIGNED 250
#define IDB_MARK_PAID 253
#define IDB_MARK_VOID 255

/* ---- Controls ----------------------------------------------------------------- */
#define IDC_PROGRESS_BAR 1150
#define IDC_DIALOG_HEADING 1040
#define IDC_MEMORIZE_NAME 1060
#define IDC_MEMORIZE_CLEAR_QTYS 1015
#define IDC_MEMORIZE_SECOND 1016

#ifdef RC_INVOKED
/* Window styles the templates use, spelled out for the resource compiler only. */
#define RCS_POPUP_FRAME 0x80C80000L     /* popup, caption, system menu */
#define RCS_CHILD_VISIBLE 0x50000000L   /* child, visible */
#define RCS_EDIT 0x50810080L            /* child, visible, border, tab stop, scrolls sideways */
#define RCS_CHECKBOX 0x50010003L        /* child, visible, tab stop, automatic check box */
#endif

#endif
