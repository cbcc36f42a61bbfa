// Resource ids of the stub's dialog (shared by Stub.rc and the code).
#pragma once

#define IDD_STUB 100
#define IDI_STUB 101
#define IDC_FOLDER_LABEL 1000
#define IDC_FOLDER 1001
#define IDC_BROWSE 1002
#define IDC_FILES_LABEL 1003
#define IDC_FILES 1004
#define IDC_OVERWRITE_GROUP 1005
#define IDC_OVR_CONFIRM 1006
#define IDC_OVR_ALWAYS 1007
#define IDC_OVR_NEVER 1008
#define IDC_RUN 1009
#define IDC_COMMAND 1010
#define IDC_PROGRESS 1011
#define IDC_STATUS 1012
