// Resource ids of the wizard's pictures (RCDATA resources: 24-bit BMP files as zstd frames).
#pragma once

#define IDB_HEADER_INFO 201
#define IDB_HEADER_LICENSE 202
#define IDB_HEADER_FOLDER 203
#define IDB_HEADER_READY 204
#define IDB_HEADER_PROGRESS 205
#define IDB_HEADER_NEWS 206
#define IDB_ADD_FOLDER 210
