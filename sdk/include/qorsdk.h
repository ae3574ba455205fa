#ifndef QORSDK_H
#define QORSDK_H
/*
 * qorsdk: configuration exchange and stream-client handles for the codec boards.
 *
 * One flat C interface. Every export returns a 32-bit integer (or a handle) and never raises an
 * exception or shows anything. Records are caller-owned memory whose first u32 holds the size of
 * the record; the library checks it against the type. Integers in records are little-endian (the
 * host order of every supported build); IPv4 addresses are u32 in network byte order, so the first
 * dotted octet is the lowest byte.
 *
 * Records without pointers have the same size and offsets on every build. Records that carry
 * pointers (QORSDK_SOURCE, QORSDK_CREATE, QORSDK_VIDEO_WINDOW, QORSDK_SOURCE_TABLE,
 * QORSDK_TEXT_SETTING, QORSDK_DISCOVERY) follow the natural alignment of the build; their size
 * field must hold sizeof of the struct (28, 76, 16, 16, 20, 32 on a 32-bit build).
 */

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define QORSDK_CALL __stdcall
#  if defined(QORSDK_BUILDING)
#    define QORSDK_API __declspec(dllexport)
#  else
#    define QORSDK_API __declspec(dllimport)
#  endif
#else
#  define QORSDK_CALL
#  define QORSDK_API __attribute__((visibility("default")))
#endif

#if defined(__cplusplus)
#  define QORSDK_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#  define QORSDK_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define QORSDK_LAYOUT(type, size)                                                      \
  QORSDK_STATIC_ASSERT(sizeof(type) == (size), #type " must be " #size " bytes")
#define QORSDK_AT(type, field, offset)                                                 \
  QORSDK_STATIC_ASSERT(offsetof(type, field) == (offset), #type "." #field " must be at " #offset)
#if UINTPTR_MAX == 0xFFFFFFFFu
#  define QORSDK_PTR_LAYOUT(type, size32, size64) QORSDK_LAYOUT(type, size32)
#  define QORSDK_PTR_AT(type, field, at32, at64) QORSDK_AT(type, field, at32)
#else
#  define QORSDK_PTR_LAYOUT(type, size32, size64) QORSDK_LAYOUT(type, size64)
#  define QORSDK_PTR_AT(type, field, at32, at64) QORSDK_AT(type, field, at64)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result values ------------------------------------------------------------------------ */

/* Configuration exchange: DEVICE_GetConfig, DEVICE_SetConfig, CLIENT_GetDeviceConfig,
 * CLIENT_SetDeviceConfig. When a call can fail in several ways the first step that failed is
 * reported, in this order: 8, 1 (unknown type, unusable record before sending), 9, 12, 10, 15,
 * 13, then 1 (size field), with 14 overriding a size-field 1. */
#define QORSDK_CONFIG_OK 0
#define QORSDK_CONFIG_BAD_TYPE 1      /* unknown type, or the record's size field does not fit */
#define QORSDK_CONFIG_NO_HANDLE 2     /* null or unknown client handle (CLIENT_ twins only) */
#define QORSDK_CONFIG_BAD_ADDRESS 8   /* address text null, 0.0.0.0 or not a dotted quad */
#define QORSDK_CONFIG_NO_SOCKET 9     /* no socket could be created */
#define QORSDK_CONFIG_SOCKET_MODE 10  /* socket mode or time-out option could not be set */
#define QORSDK_CONFIG_CONNECT 12      /* connect refused at once */
#define QORSDK_CONFIG_SHORT_REPLY 13  /* reply too short, or closed without data */
#define QORSDK_CONFIG_WRONG_HEAD 14   /* reply head is not "qor" and the reply command */
#define QORSDK_CONFIG_TRANSFER 15     /* send failed, or receive failed or timed out */

/* Client functions. */
#define QORSDK_CLIENT_OK 0
#define QORSDK_CLIENT_BAD_ARGUMENT 1   /* null handle or record, unknown operation, value out of range */
#define QORSDK_CLIENT_BAD_HANDLE 2     /* not a live handle (tag is not QORSDK_HANDLE_TAG) */
#define QORSDK_CLIENT_BAD_SIZE 3       /* record size field does not match the type */
#define QORSDK_CLIENT_UNKNOWN_PARAM 4  /* unknown parameter type */
#define QORSDK_CLIENT_STARTED 5        /* handle already started (last error 20005) */
#define QORSDK_CLIENT_TEXT_TOO_LONG 7  /* a text is 128 characters or longer */
#define QORSDK_CLIENT_TABLE_FULL 29
#define QORSDK_CLIENT_SOURCE_EXISTS 30
#define QORSDK_CLIENT_SOURCE_MISSING 31
#define QORSDK_CLIENT_E_BAD_HANDLE ((int32_t)0x80000004)     /* callback and flux functions */
#define QORSDK_CLIENT_E_NULL ((int32_t)0x80000007)           /* callback and login functions */
#define QORSDK_CLIENT_E_LOGIN_REFUSED ((int32_t)0x80000064)  /* user name or password refused */
#define QORSDK_LAST_ERROR_STARTED 20005                      /* CLIENT_Start on a started handle */

/* Discovery (CLIENT_GetDeviceList): 0, 1 bad arguments, 9 no socket, socket option or send
 * failed, 34 the answer port could not be bound, 35 an answer was too short or unknown. */
#define QORSDK_DISCOVERY_SOCKET 9
#define QORSDK_DISCOVERY_BIND 34
#define QORSDK_DISCOVERY_BAD_ANSWER 35

/* ---- Configuration exchange --------------------------------------------------------------- */

/* One TCP exchange per call: "qor" + command byte + payload. Writes (types 0-19) send and close;
 * the payload is the caller's record copied verbatim from its first byte, so the record must be
 * at least the payload length long. A null record sends the 4-byte head alone (except type 12).
 *
 *  type cmd  payload      port   type cmd  payload      port
 *  0    E4   88           4010   10   EF   8            4010
 *  1    16   28           4010   11   EC   28 or 228    4010  (below)
 *  2    26   16           4010
 *  3    12   0            4010   12   E8   u32 12,0,0   4010  (record never read)
 *  4    13   0            4010   13   E7   0            8060
 *  5    22   0            4010   14   FA   1052         8067
 *  6    23   0            4010   15   FB   16           4010
 *  7    ED   16           4010   16   FC   80           4010
 *  8    ED   16           4010   17   20   36           4010
 *  9    EE   12           4010   18   53   76           4010
 *                                19   50   text + NUL   4010  (text below QORSDK_TEXT_COMMAND_MAX)
 *
 * Reads (types 256-269, all on port 4010) send the 4-byte head and store the reply block into the
 * record; the record's size field must be set before the call. Nothing is stored unless the
 * result is 0 (type 258 writes its result flag also on a wrong head).
 *
 *  type req reply block  size field     type req reply block          size field
 *  256  E5  E6    200    200            263  54  55    76             76
 *  257  FD  FE    80     80             264  56  57    8040           8040
 *  258  FD  FE    compared, see below   265  58  59    68             68
 *  259  C3  C4    1052   1052           266  5A  5B    min(reply, size field), size >= 20
 *  260  C5  C6    80     80             267  5C  5D    min(reply, size field), size >= 32
 *  261  FF  FF    200    200            268  51  52    text answer (below)
 *  262  CC  CD    4084   4084           269  C7  C8    388, size field not checked
 *
 * A reply must carry at least block + 4 bytes (266: 24, 267: 36, 268: 6).
 * Type 258: record u32 size 80, u32 length n at 4, n bytes at 8, u32 result flag at 72. The flag
 * becomes 1 when the board's block holds the same n (1..72) and the same n bytes, else 0.
 * Type 268: the record is a text buffer of at least QORSDK_TEXT_BUFFER_SIZE bytes holding the
 * NUL-terminated command text (at most QORSDK_TEXT_COMMAND_MAX characters) on entry and the answer
 * text on return, cut at QORSDK_TEXT_BUFFER_SIZE - 1 characters and always NUL-terminated.
 *
 * Type 11: a size field of 28 with the u32 at 28 holding 200 (QORSDK_TRANSPORT as the transport
 * page fills it) sends all 228 bytes; a size field of 28 reads that u32, so such a record is at
 * least 32 bytes. A size field between 29 and 228 sends 228 bytes, one below 28 sends 28; bytes
 * past the size field are never read and go as zeros.
 *
 * Each step has its own limit: connect 2 s, send 1.6 s, receive 1.6 s (however the reply is
 * split), so a call returns within 5.2 s whatever the board does. A board that has not sent the
 * whole reply when the receive limit passes gives 15; a closed port gives 12. */
QORSDK_API int32_t QORSDK_CALL DEVICE_GetConfig(const char* address, int32_t type, void* record);
QORSDK_API int32_t QORSDK_CALL DEVICE_SetConfig(const char* address, int32_t type, const void* record);

#define QORSDK_TEXT_BUFFER_SIZE 2048 /* type 268 buffer; the answer never goes past it */
#define QORSDK_TEXT_COMMAND_MAX 1531 /* longest command text of types 268 and 19 */

#define QORSDK_SET_NETWORK_IDENTITY 0
#define QORSDK_SET_VIDEO_ENCODING 1
#define QORSDK_SET_AUDIO_ENCODING 2
#define QORSDK_SET_PERIPHERAL_ENCODER 7
#define QORSDK_SET_PERIPHERAL_DECODER 8
#define QORSDK_SET_VIDEO_QUALITY 9
#define QORSDK_SET_VOLUME 10
#define QORSDK_SET_TRANSPORT 11
#define QORSDK_SET_RESTART 12
#define QORSDK_SET_SERIAL_DATA 14
#define QORSDK_SET_TEXT_COMMAND 19
#define QORSDK_GET_STATUS_BLOCK 256
#define QORSDK_GET_COMPARE 258
#define QORSDK_GET_STREAM_ACCESS 261
#define QORSDK_GET_VARIABLE_A 266
#define QORSDK_GET_VARIABLE_B 267
#define QORSDK_GET_TEXT_COMMAND 268
#define QORSDK_GET_STREAM_INFO 269

#define QORSDK_STATUS_BLOCK_SIZE 200
#define QORSDK_STREAM_INFO_SIZE 388
/* Copies of the last written records inside the board status block. */
#define QORSDK_STATUS_VIDEO_ENCODING_OFFSET 136
#define QORSDK_STATUS_AUDIO_ENCODING_OFFSET 164
#define QORSDK_STATUS_VIDEO_QUALITY_OFFSET 180
#define QORSDK_STATUS_VOLUME_OFFSET 192

/* Type 0, 88 bytes. */
typedef struct QORSDK_NETWORK_IDENTITY {
  uint32_t size;       /*  0: 88 */
  uint32_t ipAddress;  /*  4 */
  uint32_t subnetMask; /*  8 */
  uint32_t gateway;    /* 12 */
  uint32_t reserved[2];/* 16: 0 */
  uint8_t mac[8];      /* 24: six MAC bytes, then two carried over */
  char name[56];       /* 32: NUL-terminated, code page 936 */
} QORSDK_NETWORK_IDENTITY;
QORSDK_LAYOUT(QORSDK_NETWORK_IDENTITY, 88);
QORSDK_AT(QORSDK_NETWORK_IDENTITY, mac, 24);
QORSDK_AT(QORSDK_NETWORK_IDENTITY, name, 32);

/* Type 1, 28 bytes; also at QORSDK_STATUS_VIDEO_ENCODING_OFFSET in the status block. */
typedef struct QORSDK_VIDEO_ENCODING {
  uint32_t size;            /*  0: 28 */
  uint8_t kind;             /*  4: 2 */
  uint8_t reserved1[2];     /*  5 */
  uint8_t constantBitRate;  /*  7: 1 constant bit rate, 0 not */
  uint8_t reserved2;        /*  8 */
  uint8_t frameRate;        /*  9: frames per second */
  uint16_t bitRate;         /* 10: kbit/s */
  uint32_t iFrameInterval;  /* 12: frames */
  uint32_t width;           /* 16 */
  uint32_t height;          /* 20 */
  uint32_t enable;          /* 24: 0/1 */
} QORSDK_VIDEO_ENCODING;
QORSDK_LAYOUT(QORSDK_VIDEO_ENCODING, 28);
QORSDK_AT(QORSDK_VIDEO_ENCODING, constantBitRate, 7);
QORSDK_AT(QORSDK_VIDEO_ENCODING, frameRate, 9);
QORSDK_AT(QORSDK_VIDEO_ENCODING, bitRate, 10);
QORSDK_AT(QORSDK_VIDEO_ENCODING, enable, 24);

/* Type 2, 16 bytes. */
typedef struct QORSDK_AUDIO_ENCODING {
  uint32_t size;       /*  0: 16 */
  uint8_t kind;        /*  4: 6 */
  uint8_t channels;    /*  5: 2 stereo, 1 mono */
  uint16_t bitRate;    /*  6: kbit/s */
  uint32_t sampleRate; /*  8: Hz */
  uint32_t enable;     /* 12: 0/1 */
} QORSDK_AUDIO_ENCODING;
QORSDK_LAYOUT(QORSDK_AUDIO_ENCODING, 16);
QORSDK_AT(QORSDK_AUDIO_ENCODING, bitRate, 6);

/* Types 7 and 8, 16 bytes. */
typedef struct QORSDK_PERIPHERAL {
  uint32_t size;          /*  0: 16 */
  uint16_t modeCode;      /*  4 */
  uint16_t width;         /*  6 */
  uint16_t height;        /*  8 */
  uint16_t audioFlags;    /* 10 */
  uint32_t audioSampling; /* 12 */
} QORSDK_PERIPHERAL;
QORSDK_LAYOUT(QORSDK_PERIPHERAL, 16);

/* Type 9, 12 bytes. */
typedef struct QORSDK_VIDEO_QUALITY {
  uint32_t size;       /*  0: 12 */
  uint16_t reserved;   /*  4: 0 */
  uint16_t brightness; /*  6 */
  uint16_t chroma;     /*  8 */
  uint16_t saturation; /* 10 */
} QORSDK_VIDEO_QUALITY;
QORSDK_LAYOUT(QORSDK_VIDEO_QUALITY, 12);

/* Type 10, 8 bytes. */
typedef struct QORSDK_VOLUME {
  uint32_t size;          /* 0: 8 */
  uint16_t automaticGain; /* 4: 0/1 */
  uint16_t volume;        /* 6: 0..100 */
} QORSDK_VOLUME;
QORSDK_LAYOUT(QORSDK_VOLUME, 8);

/* Type 261 block, 200 bytes; also the tail of QORSDK_TRANSPORT. */
typedef struct QORSDK_STREAM_ACCESS {
  uint32_t size;     /*   0: 200 */
  uint32_t reserved; /*   4 */
  char url[128];     /*   8 */
  char user[32];     /* 136 */
  char password[32]; /* 168 */
} QORSDK_STREAM_ACCESS;
QORSDK_LAYOUT(QORSDK_STREAM_ACCESS, 200);
QORSDK_AT(QORSDK_STREAM_ACCESS, user, 136);

/* Type 11, 228 bytes: size 28 with access.size 200 sends all 228. */
typedef struct QORSDK_TRANSPORT {
  uint32_t size;           /*  0: 28 */
  uint32_t encoderAddress; /*  4 */
  uint16_t encoderPort;    /*  8 */
  uint16_t encoderMode;    /* 10 */
  uint32_t decoderAddress; /* 12 */
  uint16_t decoderPort;    /* 16 */
  uint16_t decoderMode;    /* 18 */
  uint32_t reserved[2];    /* 20 */
  QORSDK_STREAM_ACCESS access; /* 28 */
} QORSDK_TRANSPORT;
QORSDK_LAYOUT(QORSDK_TRANSPORT, 228);
QORSDK_AT(QORSDK_TRANSPORT, access, 28);

/* Type 14, 1052 bytes. */
typedef struct QORSDK_SERIAL_DATA {
  uint32_t size;        /*  0: 1052 */
  uint32_t count;       /*  4: data bytes used */
  uint32_t reserved[2]; /*  8 */
  uint32_t baudRate;    /* 16 */
  uint8_t data[1032];   /* 20 */
} QORSDK_SERIAL_DATA;
QORSDK_LAYOUT(QORSDK_SERIAL_DATA, 1052);

/* ---- Client handles ----------------------------------------------------------------------- */

/* A handle points to a library-owned record that begins with the u32 tag QORSDK_HANDLE_TAG and
 * a 24-byte name text "v%08xt%08x" (low 32 bits of the record's address, creating thread id). */
typedef struct QORSDK_CLIENT* QORSDK_HANDLE;
#define QORSDK_HANDLE_TAG 3468u
#define QORSDK_HANDLE_NAME_OFFSET 4
#define QORSDK_HANDLE_NAME_SIZE 24

/* Type 0 and nested in QORSDK_CREATE. Texts are NUL-terminated; addresses of 16 characters or
 * more are ignored. Ports are stored when above 0. */
typedef struct QORSDK_SOURCE {
  uint32_t size;        /* sizeof(QORSDK_SOURCE) */
  int32_t mode;         /* mode code: 6, 7, 8, 80, 112-116 select a source kind */
  const char* address;  /* device address text */
  int32_t port;
  const char* address2; /* second address text */
  int32_t port2;
  const char* url;      /* read for modes 80 and 112-115; below 128 characters */
} QORSDK_SOURCE;
QORSDK_PTR_LAYOUT(QORSDK_SOURCE, 28, 48);
QORSDK_PTR_AT(QORSDK_SOURCE, port, 12, 16);
QORSDK_PTR_AT(QORSDK_SOURCE, url, 24, 40);

/* Type 1 and nested in QORSDK_CREATE. */
typedef struct QORSDK_VIDEO_WINDOW {
  uint32_t size;    /* sizeof(QORSDK_VIDEO_WINDOW) */
  void* window;     /* native window handle */
  int32_t enable;
  uint32_t reserved;
} QORSDK_VIDEO_WINDOW;
QORSDK_PTR_LAYOUT(QORSDK_VIDEO_WINDOW, 16, 24);
QORSDK_PTR_AT(QORSDK_VIDEO_WINDOW, enable, 8, 16);

/* Type 2 and nested in QORSDK_CREATE, 12 bytes. */
typedef struct QORSDK_SOUND {
  uint32_t size; /* 12 */
  int32_t value;
  int32_t enable;
} QORSDK_SOUND;
QORSDK_LAYOUT(QORSDK_SOUND, 12);

/* Argument of CLIENT_Create. With size sizeof(QORSDK_CREATE) the flags are taken and each nested
 * record whose own size field is right is applied as CLIENT_SetParam types 0, 1, 2. */
typedef struct QORSDK_CREATE {
  uint32_t size;     /* sizeof(QORSDK_CREATE) */
  uint32_t reserved;
  int32_t flagA;
  int32_t flagB;
  int32_t playFlag;
  QORSDK_SOURCE source;
  QORSDK_VIDEO_WINDOW videoWindow;
  QORSDK_SOUND sound;
} QORSDK_CREATE;
QORSDK_PTR_LAYOUT(QORSDK_CREATE, 76, 112);
QORSDK_PTR_AT(QORSDK_CREATE, source, 20, 24);
QORSDK_PTR_AT(QORSDK_CREATE, videoWindow, 48, 72);
QORSDK_PTR_AT(QORSDK_CREATE, sound, 64, 96);

/* Type 3, 16 bytes. */
typedef struct QORSDK_THREE_WORDS {
  uint32_t size; /* 16 */
  int32_t value[3];
} QORSDK_THREE_WORDS;
QORSDK_LAYOUT(QORSDK_THREE_WORDS, 16);

/* Types 11 and 14, 12 bytes. */
typedef struct QORSDK_TWO_WORDS {
  uint32_t size; /* 12 */
  int32_t value[2];
} QORSDK_TWO_WORDS;
QORSDK_LAYOUT(QORSDK_TWO_WORDS, 12);

/* Type 9, 20 bytes. */
typedef struct QORSDK_LISTEN {
  uint32_t size; /*  0: 20 */
  int32_t enable;       /*  4 */
  int32_t secondFlag;   /*  8 */
  uint32_t reserved;    /* 12 */
  int32_t port;         /* 16: 0 means 8066; below 0 is refused (result 1, port 0) */
} QORSDK_LISTEN;
QORSDK_LAYOUT(QORSDK_LISTEN, 20);

/* Type 10: source table operation. */
typedef struct QORSDK_SOURCE_TABLE {
  uint32_t size;       /* sizeof(QORSDK_SOURCE_TABLE) */
  int32_t operation;   /* 1 add, 0 remove, -1 clear all */
  const char* address; /* dotted IPv4 text */
  int32_t port;        /* 1..65535 */
} QORSDK_SOURCE_TABLE;
QORSDK_PTR_LAYOUT(QORSDK_SOURCE_TABLE, 16, 24);
QORSDK_PTR_AT(QORSDK_SOURCE_TABLE, port, 12, 16);
#define QORSDK_SOURCE_TABLE_ENTRIES 64
/* CLIENT_GetParam 1024 writes "a.b.c.d:port;" per active source: 64 x 22 + NUL at most. */
#define QORSDK_SOURCE_LIST_BUFFER_SIZE 1409

/* Type 12, 48 bytes, stored whole. */
typedef struct QORSDK_PLAY_SETTINGS {
  uint32_t size; /* 48 */
  uint8_t data[44];
} QORSDK_PLAY_SETTINGS;
QORSDK_LAYOUT(QORSDK_PLAY_SETTINGS, 48);

/* Type 13, 16 bytes (size not checked; the call always returns 1). */
typedef struct QORSDK_STREAM_CONTROL {
  uint32_t size;
  int32_t code;   /* 22-24 current code; 25 stores value; 26 stores value2 */
  int32_t value;
  int32_t value2;
} QORSDK_STREAM_CONTROL;
QORSDK_LAYOUT(QORSDK_STREAM_CONTROL, 16);

/* Type 15, 164 bytes: the 32 bytes at 36 are stored. */
typedef struct QORSDK_EXTENDED_SETTINGS {
  uint32_t size; /* 164 */
  uint8_t reserved1[32];
  uint8_t settings[32]; /* 36 */
  uint8_t reserved2[96];
} QORSDK_EXTENDED_SETTINGS;
QORSDK_LAYOUT(QORSDK_EXTENDED_SETTINGS, 164);
QORSDK_AT(QORSDK_EXTENDED_SETTINGS, settings, 36);

/* Type 16. */
typedef struct QORSDK_TEXT_SETTING {
  uint32_t size; /* sizeof(QORSDK_TEXT_SETTING) */
  uint32_t reserved;
  const char* text; /* below 128 characters */
  int32_t value1;
  int32_t value2;
} QORSDK_TEXT_SETTING;
QORSDK_PTR_LAYOUT(QORSDK_TEXT_SETTING, 20, 24);
QORSDK_PTR_AT(QORSDK_TEXT_SETTING, value1, 12, 16);

/* Type 17, 84 bytes. */
typedef struct QORSDK_CREDENTIALS {
  uint32_t size;     /*  0: 84 */
  int32_t mode;      /*  4: 0 or 1 */
  char user[32];     /*  8: not empty */
  char password[32]; /* 40: not empty */
  int32_t value[3];  /* 72 */
} QORSDK_CREDENTIALS;
QORSDK_LAYOUT(QORSDK_CREDENTIALS, 84);
QORSDK_AT(QORSDK_CREDENTIALS, value, 72);

/* CLIENT_GetParam 256, 40 bytes. The library receives no stream, so every counter reads 0. */
typedef struct QORSDK_STATISTICS {
  uint32_t size;     /*  0: 40 */
  uint32_t counter1; /*  4 */
  uint32_t counter2; /*  8 */
  uint32_t counter3; /* 12 */
  uint32_t totalRate;/* 16: counter 5 */
  uint32_t videoRate;/* 20: counter 6 */
  uint32_t audioRate;/* 24: counter 7 */
  uint32_t counter4; /* 28 */
  uint32_t reserved; /* 32: not written */
  uint32_t counter8; /* 36 */
} QORSDK_STATISTICS;
QORSDK_LAYOUT(QORSDK_STATISTICS, 40);
QORSDK_AT(QORSDK_STATISTICS, totalRate, 16);
QORSDK_AT(QORSDK_STATISTICS, counter8, 36);

/* Filled by CLIENT_Login, 56 bytes. */
typedef struct QORSDK_DEVICE_INFO {
  char model[8];        /*  0: "VGAenc" */
  uint8_t reserved[44]; /*  8 */
  uint32_t flag;        /* 52: 1 */
} QORSDK_DEVICE_INFO;
QORSDK_LAYOUT(QORSDK_DEVICE_INFO, 56);

/* Argument of CLIENT_GetDeviceList. */
typedef struct QORSDK_DISCOVERY {
  uint32_t size;       /* sizeof(QORSDK_DISCOVERY) */
  int32_t mode;        /* 2: addresses and status blocks; else addresses only */
  char* text;          /* address list "a.b.c.d;" newest first */
  int32_t textLength;
  uint8_t* blocks;     /* 200-byte status blocks, mode 2 */
  int32_t blockLength;
  uint32_t reserved;
  int32_t count;       /* out: answers counted */
} QORSDK_DISCOVERY;
QORSDK_PTR_LAYOUT(QORSDK_DISCOVERY, 32, 48);
QORSDK_PTR_AT(QORSDK_DISCOVERY, count, 28, 40);

#define QORSDK_PARAM_SOURCE 0
#define QORSDK_PARAM_VIDEO_WINDOW 1
#define QORSDK_PARAM_SOUND 2
#define QORSDK_PARAM_THREE_WORDS 3
#define QORSDK_PARAM_FLAG_A_ON 4
#define QORSDK_PARAM_FLAG_A_OFF 5
#define QORSDK_PARAM_FLAG_B_ON 6
#define QORSDK_PARAM_FLAG_B_OFF 7
#define QORSDK_PARAM_VOLUME 8 /* the record argument is the volume 0-100 itself */
#define QORSDK_PARAM_LISTEN 9
#define QORSDK_PARAM_SOURCE_TABLE 10
#define QORSDK_PARAM_TWO_WORDS_11 11
#define QORSDK_PARAM_PLAY_SETTINGS 12
#define QORSDK_PARAM_STREAM_CONTROL 13
#define QORSDK_PARAM_TWO_WORDS_14 14
#define QORSDK_PARAM_EXTENDED 15
#define QORSDK_PARAM_TEXT 16
#define QORSDK_PARAM_CREDENTIALS 17
#define QORSDK_PARAM_STATISTICS 256  /* CLIENT_GetParam */
#define QORSDK_PARAM_SOURCE_LIST 1024 /* CLIENT_GetParam: text buffer, returns the count */
#define QORSDK_VOLUME_ARG(v) ((const void*)(intptr_t)(v))

/* Never called by this library: it receives no stream data. */
typedef void(QORSDK_CALL* QORSDK_REAL_DATA_CALLBACK)(QORSDK_HANDLE handle, int32_t dataType,
                                                     const uint8_t* data, int32_t length,
                                                     void* user);

/* Fixed-result entry points. */
QORSDK_API int32_t QORSDK_CALL CLIENT_SDKInit(int32_t reserved);          /* 0 */
QORSDK_API int32_t QORSDK_CALL CLIENT_SDKClose(void);                     /* 0 */
QORSDK_API int32_t QORSDK_CALL CLIENT_SDKVersion(int32_t* major, int32_t* minor); /* 1, 0; 0 */
QORSDK_API int32_t QORSDK_CALL CLIENT_GetSDKVersion(void);                /* 0x00010000 */
QORSDK_API int32_t QORSDK_CALL CLIENT_Init(int32_t reserved1, int32_t reserved2);  /* 1 */
QORSDK_API int32_t QORSDK_CALL CLIENT_SetPlayerBufNumber(int32_t reserved1, int32_t reserved2); /* 1 */
QORSDK_API void QORSDK_CALL CLIENT_Cleanup(void);
QORSDK_API void QORSDK_CALL CLIENT_SetNetworkParam(int32_t reserved);
QORSDK_API void QORSDK_CALL CLIENT_SetConnectTime(int32_t reserved1, int32_t reserved2);
QORSDK_API void QORSDK_CALL CLIENT_SetAutoReconnect(int32_t reserved1, int32_t reserved2);
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_LoginEx(int32_t w1, int32_t w2, int32_t w3, int32_t w4,
                                                    int32_t w5, int32_t w6, int32_t w7,
                                                    int32_t w8); /* null */
/* 0; stores nothing. */
QORSDK_API int32_t QORSDK_CALL CLIENT_SetRealDataCallBack(QORSDK_HANDLE handle,
                                                          QORSDK_REAL_DATA_CALLBACK callback,
                                                          void* user);
/* QORSDK_CLIENT_E_NULL for a null handle or callback, QORSDK_CLIENT_E_BAD_HANDLE, else 0. */
QORSDK_API int32_t QORSDK_CALL CLIENT_SetRealDataCallBackEx(QORSDK_HANDLE handle,
                                                            QORSDK_REAL_DATA_CALLBACK callback,
                                                            void* user, uint32_t flags);
QORSDK_API int32_t QORSDK_CALL CLIENT_StartListenEx(int32_t reserved); /* 1 */

/* The process-wide last error, then resets it to 0. Set by CLIENT_Create with a null record (1),
 * CLIENT_Start on a started handle (20005) and a failing CLIENT_RealPlay (its start result). */
QORSDK_API int32_t QORSDK_CALL CLIENT_GetLastError(void);

/* New idle handle, or null (null record: last error 1; out of memory). A record whose size field
 * is not sizeof(QORSDK_CREATE) still gives a handle with default settings. */
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_Create(const QORSDK_CREATE* record);
/* 0; 1 null; 2 bad handle; 5 already started (last error 20005). */
QORSDK_API int32_t QORSDK_CALL CLIENT_Start(QORSDK_HANDLE handle);
/* 0 (also for an idle handle); 1 null; 2 bad handle. Settings and the source table stay. */
QORSDK_API int32_t QORSDK_CALL CLIENT_Stop(QORSDK_HANDLE handle);
/* Stops a started handle (its result is returned) and frees it: 0; 1 null; 2 bad handle. */
QORSDK_API int32_t QORSDK_CALL CLIENT_Dump(QORSDK_HANDLE handle);
/* Like CLIENT_Dump; always 0. */
QORSDK_API int32_t QORSDK_CALL CLIENT_Logout(QORSDK_HANDLE handle);
/* Sets the window, enables video and play, starts: the handle, or null (last error = the start
 * result; 2 for a bad handle). */
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_RealPlay(QORSDK_HANDLE handle, int32_t channel,
                                                     void* window);
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_RealPlayEx(QORSDK_HANDLE handle, int32_t channel,
                                                       void* window, int32_t reserved);
/* 1 when the stop succeeded, else 0. */
QORSDK_API int32_t QORSDK_CALL CLIENT_StopRealPlay(QORSDK_HANDLE handle);
QORSDK_API int32_t QORSDK_CALL CLIENT_StopRealPlayEx(QORSDK_HANDLE handle);

/* CLIENT_SetParam: 1 null handle, 2 bad handle, then by type (QORSDK_PARAM_*):
 *  0  source: 0; 3; 7 URL too long for mode 112; 1 for modes 80, 113, 114, 115 (URL kept).
 *     Mode 0 looks the address up in Xml/Data.xml in the program's folder (host="ADDRESS" then
 *     username="..." and password="...", at most 31 bytes each): a board account whose password
 *     DecryptStringEX of the password module in that same folder (libpassword.so, else
 *     password.so; loaded by full path only) deciphers becomes the handle's credentials, as type
 *     17 would set them. The result does not change.
 *  1  video window; 2 sound; 3, 11, 14 words; 15 extended: 0; 3
 *  4-7 flags: 0 (record not read)
 *  8  volume: 0 (the argument is the volume; level -(((v-100)^2/10)^2/100) hundredths of a dB)
 *  9  listen: 0; 1 port below 0; 3
 *  10 source table: 0; 1 bad operation, address, or port outside 1..65535; 29 full; 30 duplicate;
 *     31 not in the table; 3
 *  12 play settings: 0; 1 null record or size other than 48
 *  13 stream control: always 1
 *  16 text: 0; 1 null text; 7 text too long; 3
 *  17 credentials: 0; 1 mode not 0/1 or empty user or password; 3
 *  other: 4. A null record gives 1 for every type that reads one. */
QORSDK_API int32_t QORSDK_CALL CLIENT_SetParam(QORSDK_HANDLE handle, int32_t type, const void* record);
/* CLIENT_GetParam: 1 null handle, 2 bad handle; 256 statistics: 0, 1 null record, 3 wrong size;
 * 1024 source list into a buffer of QORSDK_SOURCE_LIST_BUFFER_SIZE bytes: the number listed, -1
 * for a null buffer; other: 4. */
QORSDK_API int32_t QORSDK_CALL CLIENT_GetParam(QORSDK_HANDLE handle, int32_t type, void* record);
/* Video rate / 10 for a non-zero selector, total rate / 10 for 0; QORSDK_CLIENT_E_NULL,
 * QORSDK_CLIENT_E_BAD_HANDLE. */
QORSDK_API int32_t QORSDK_CALL CLIENT_GetStatiscFlux(QORSDK_HANDLE handle, int32_t selector);

/* DEVICE_GetConfig / DEVICE_SetConfig on the handle's device address (CLIENT_SetParam type 0);
 * QORSDK_CONFIG_NO_HANDLE for a null or bad handle. */
QORSDK_API int32_t QORSDK_CALL CLIENT_GetDeviceConfig(QORSDK_HANDLE handle, int32_t type, void* record);
QORSDK_API int32_t QORSDK_CALL CLIENT_SetDeviceConfig(QORSDK_HANDLE handle, int32_t type,
                                                      const void* record);

/* Discovery. Broadcasts "qor" + 0xE0 (mode 2: 0xE5) to 255.255.255.255 port 4007 and collects
 * answers on UDP port 5007 (bound without sharing: a second discovery at the same time gets 34)
 * until none has come for 1.5 s, and at most 4.5 s in all however many arrive. record->text
 * (textLength bytes, zeroed first) receives the answering addresses newest first, each followed
 * by ";" ("B;A;"), as long as the whole list fits with its NUL; later answers are still counted.
 * In mode 2, record->blocks receives the 200-byte status block of each long answer while 200
 * bytes are free. Short answers (0xE1) and long answers (0xE6) are listed and counted; a long
 * answer shorter than 204 bytes is listed but gives 35, another command gives 35 unlisted.
 * Results: 0 (also when nobody answered), 1 (null record or count, size or record->size not
 * sizeof(QORSDK_DISCOVERY), no text buffer, mode 2 without a block buffer), 9, 34, 35. The count
 * goes to record->count and *count. Datagrams above 8192 bytes are read cut. */
QORSDK_API int32_t QORSDK_CALL CLIENT_GetDeviceList(QORSDK_DISCOVERY* record, int32_t size,
                                                    int32_t* count);
/* Local check of the fixed service account ("tarvenol" as user and password); nothing is sent.
 * Null address, user or password: null, *error = QORSDK_CLIENT_E_NULL (when error is given). A
 * null error pointer: null. Another user or password: null, *error =
 * QORSDK_CLIENT_E_LOGIN_REFUSED. Otherwise a new handle (free it with CLIENT_Logout) whose
 * device address is `address` when that is 5 to 15 characters long (else empty), login port
 * `port` when above 0 and mode code 1; *info gets "VGAenc" and flag 1, even when no handle could
 * be made. *error is left alone on success. */
QORSDK_API QORSDK_HANDLE QORSDK_CALL CLIENT_Login(const char* address, int32_t port,
                                                  const char* user, const char* password,
                                                  QORSDK_DEVICE_INFO* info, int32_t* error);

/* Extras for logs and tavctl, beyond the table above: a result value in words (English, never
 * null). Unknown values give "unknown result". */
QORSDK_API const char* QORSDK_CALL QORSDK_ConfigResultText(int32_t result);
QORSDK_API const char* QORSDK_CALL QORSDK_ClientResultText(int32_t result);

#ifdef __cplusplus
}
#endif

#endif
