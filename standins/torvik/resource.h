// Resource identifiers of Torvik.dll.
#pragma once

#define IDD_ABOUT 100
#define IDC_ABOUT_PRODUCT 1001
#define IDC_ABOUT_DESCRIPTION 1002
#define IDC_ABOUT_COMMENTS 1003
#define IDC_ABOUT_COPYRIGHT 1004
#define IDC_ABOUT_EMAIL 1005
