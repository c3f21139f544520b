// Control ids of the Palm dialog BOX566. The numbers are fixed: the e2e
// driver and support scripts find the controls by them, and the document
// store reads the hidden form slots by number.
#pragma once

#define IDC_BOX566_FOLDER_LABEL 271
#define IDC_BOX566_FOLDER 171
#define IDC_BOX566_LAYOUT_LABEL 272
#define IDC_BOX566_LAYOUT 172
#define IDC_BOX566_EXPORT 301
#define IDC_BOX566_IMPORT 302
#define IDC_BOX566_CLOSE 2
#define IDC_BOX566_CHOOSE_FOLDER 310
#define IDC_BOX566_ENTER 500
#define IDC_BOX566_GROUP 350
// Hidden slots of the document form.
#define IDC_BOX566_SLOT_100 100
#define IDC_BOX566_SLOT_101 101
#define IDC_BOX566_SLOT_102 102
#define IDC_BOX566_SLOT_104 104
#define IDC_BOX566_SLOT_105 105
#define IDC_BOX566_SLOT_111 111
#define IDC_BOX566_SLOT_113 113
#define IDC_BOX566_SELLER_LIST 180
#define IDC_BOX566_ITEM_LIST 400
