// Resource identifiers shared by attrsearch.rc and the window's code.
#ifndef APP_WIN32_RESOURCE_H_
#define APP_WIN32_RESOURCE_H_

#define ATTR_IDI_APPLICATION 100
#define ATTR_IDB_BANNER 101

#endif  // APP_WIN32_RESOURCE_H_
