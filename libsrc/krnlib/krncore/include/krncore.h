/*
 * krncore - core runtime of the dash-camera tools.
 *
 * A flat C API: memory, result codes, trace output, ticks and local time,
 * byte and bit readers over caller-owned blocks, files and directories,
 * threads, mutexes, semaphores, events and run-time library loading; lists,
 * queues, a hash map and checksums; frame buffers, rings, message channels,
 * small-block pools and a region heap.
 *
 * Text is wide (wchar_t) unless a function says it takes narrow text; narrow
 * text is UTF-8. Objects are created zero-filled by their Create/Open call and
 * released by the matching Destroy/Close; memory handed out by the library is
 * released with KRN_Free.
 */
#ifndef KRNCORE_H
#define KRNCORE_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <time.h>
#include <wchar.h>

#if defined(KRNCORE_BUILD)
#define KRN_API __attribute__((visibility("default")))
#else
#define KRN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------- */
/* Result codes                                                              */
/* ------------------------------------------------------------------------- */

#define KRN_OK 0x00000000u
#define KRN_ERR_NOMEM 0x80000001u
#define KRN_ERR_THREAD 0x80000002u
#define KRN_ERR_DISKFULL 0x80000005u
#define KRN_ERR_NOTSUPPORTED 0x80000006u
#define KRN_ERR_OPEN 0x80000010u
#define KRN_ERR_CREATE 0x80000011u
#define KRN_ERR_READ 0x80000012u
#define KRN_ERR_WRITE 0x80000013u
#define KRN_ERR_SEEK 0x80000014u
#define KRN_ERR_FORMAT 0x80000019u
#define KRN_ERR_STREAM 0x8000001Au
#define KRN_ERR_NOBUFFER 0x80000050u
#define KRN_ERR_BUFSIZE 0x80000051u
#define KRN_ERR_OVERFLOW 0x80000052u
#define KRN_ERR_EOD 0x80000054u

/* Small negative results of the semaphores, containers and pools. */
#define KRN_FAIL (-1)
#define KRN_EBUSY (-16) /* every slot taken (message channel full) */
#define KRN_EINVAL (-22)
#define KRN_ENODATA (-25) /* nothing left to read */
#define KRN_ENOSPC (-28)  /* no room to write */
#define KRN_ETIMEOUT (-138)

/* Trace levels */
#define KRN_TRACE_NONE 0u
#define KRN_TRACE_ERROR 1u
#define KRN_TRACE_INFO 2u
#define KRN_TRACE_DEBUG 3u
#define KRN_TRACE_TRACE 4u

/* Wait without practical limit. */
#define KRN_INFINITE 0x7FFFFFFF

/* ------------------------------------------------------------------------- */
/* Library start and stop, memory                                            */
/* ------------------------------------------------------------------------- */

typedef int32_t (*KrnSystemHook)(uint32_t arg1, uint32_t arg2);
typedef void *(*KrnAllocHook)(uint32_t size);
typedef void (*KrnFreeHook)(void *ptr);

KRN_API int32_t KRN_SystemInit(KrnSystemHook hook);
KRN_API int32_t KRN_SystemUnInit(KrnSystemHook hook);

/* The location arguments are the caller's source file base name, line and
 * function; they are accepted for every allocation and not used. */
KRN_API void *KRN_Malloc(uint32_t size, uint32_t alignment, int32_t fill, const wchar_t *file,
                         int32_t line, const wchar_t *function);
KRN_API void *KRN_Calloc(uint32_t count, uint32_t size);
KRN_API void *KRN_ReAlloc(void *ptr, uint32_t size, uint32_t alignment);
/* A block from an aligned allocation is freed with a non-zero flag. */
KRN_API void KRN_Free(void *ptr, int32_t aligned);
KRN_API int32_t KRN_MemInit(KrnAllocHook alloc, KrnFreeHook release);
KRN_API void *KRN_NonCacheMalloc(uint32_t size);
KRN_API void KRN_NonCacheFree(void *ptr);
KRN_API int32_t KRN_Memcleanup(void);
KRN_API void KRN_MemTrace(void);

/* ------------------------------------------------------------------------- */
/* Errors                                                                    */
/* ------------------------------------------------------------------------- */

KRN_API uint32_t KRN_GetLastError(void);
KRN_API const wchar_t *KRN_GetLastErrorStr(void);
KRN_API const wchar_t *KRN_GetErrorStr(uint32_t code);

/* ------------------------------------------------------------------------- */
/* Trace                                                                     */
/* ------------------------------------------------------------------------- */

/* Receives every finished trace line (prefix, message, the caller's newline). */
typedef void (*KrnTraceCallback)(const wchar_t *line);

/* Formats follow glibc's wide printf: %ls for wide strings, %s for narrow. */
KRN_API void KRN_Trace(const wchar_t *module, uint32_t level, const wchar_t *file, int32_t line,
                       const wchar_t *function, const wchar_t *format, ...);
KRN_API void KRN_TraceInit(const wchar_t *path);
KRN_API void KRN_TraceDeinit(void);
/* "name:level[,name:level...]"; "*" matches every module. */
KRN_API int32_t KRN_TraceSet(const wchar_t *filter);
/* debugOutput non-zero sends every line to standard error as well. */
KRN_API void KRN_TraceSetCB(KrnTraceCallback callback, int32_t debugOutput);
KRN_API void KRN_TraceColor(void);
KRN_API void KRN_Hexdump(const void *data, uint32_t count, const wchar_t *title, int32_t line);

/* ------------------------------------------------------------------------- */
/* Time                                                                      */
/* ------------------------------------------------------------------------- */

/* Milliseconds since system start, 32-bit (wraps after about 49.7 days). */
KRN_API uint64_t KRN_GetSystemTick(void);
/* The millisecond tick times 1000 in 32-bit arithmetic (wraps every 2^32 us). */
KRN_API uint64_t KRN_GetSystemTickUS(void);
KRN_API int32_t KRN_GetlocalTime(struct tm *out);

/* ------------------------------------------------------------------------- */
/* Environment and strings                                                   */
/* ------------------------------------------------------------------------- */

/* The value stays valid until the calling thread's next KRN_GetEnv. */
KRN_API const wchar_t *KRN_GetEnv(const wchar_t *name);
KRN_API int32_t KRN_snprintf(wchar_t *buffer, uint32_t capacity, const wchar_t *format, ...);
KRN_API const wchar_t *KRN_strrstr(const wchar_t *text, const wchar_t *pattern);
KRN_API wchar_t *KRN_strtrim(const wchar_t *text, const wchar_t *startMark, const wchar_t *endMark,
                             wchar_t *dest, uint32_t capacity);
/* dest holds 5 wide characters; null uses the calling thread's own buffer. */
KRN_API wchar_t *KRN_FourCC_String(uint32_t code, wchar_t *dest);
/* Both conversions return a per-thread buffer of 256 units, valid until the
 * calling thread's next call; longer text is cut at a character boundary. */
KRN_API wchar_t *KRN_char2Wchar(const char *text);
KRN_API char *KRN_Wchar2char(const wchar_t *text);
KRN_API char *KRN_Wchar2charcopy(const wchar_t *text, char *dest, uint32_t capacity);
KRN_API const void *KRN_Memmem(const void *haystack, uint32_t haystackLen, const void *needle,
                               uint32_t needleLen);

/* ------------------------------------------------------------------------- */
/* Byte reader                                                               */
/* ------------------------------------------------------------------------- */

typedef struct KrnByteReader KrnByteReader;

/* Getters set *end (when given) to 1 and return 0/null at the end of data; a
 * value that would run past the end is not read either. */
KRN_API KrnByteReader *KRNByte_Open(const uint8_t *data, uint32_t size);
KRN_API void KRNByte_Close(void *reader);
KRN_API uint32_t KRNByte_Size(const KrnByteReader *r);
KRN_API uint32_t KRNByte_Pos(const KrnByteReader *r);
KRN_API uint32_t KRNByte_Remain(const KrnByteReader *r);
KRN_API uint32_t KRNByte_Skip(KrnByteReader *r, uint32_t count, uint32_t *end);

KRN_API uint8_t KRNByte_Get_char(KrnByteReader *r, uint32_t *end);
KRN_API uint8_t KRNByte_Peek_char(KrnByteReader *r, uint32_t *end);
KRN_API uint16_t KRNByte_Get_le_uint16(KrnByteReader *r, uint32_t *end);
KRN_API uint16_t KRNByte_Get_be_uint16(KrnByteReader *r, uint32_t *end);
KRN_API uint32_t KRNByte_Get_le_uint32(KrnByteReader *r, uint32_t *end);
KRN_API uint32_t KRNByte_Get_be_uint32(KrnByteReader *r, uint32_t *end);
KRN_API uint64_t KRNByte_Get_le_uint64(KrnByteReader *r, uint32_t *end);
KRN_API uint64_t KRNByte_Get_be_uint64(KrnByteReader *r, uint32_t *end);
KRN_API uint16_t KRNByte_Peek_le_uint16(KrnByteReader *r, uint32_t *end);
KRN_API uint16_t KRNByte_Peek_be_uint16(KrnByteReader *r, uint32_t *end);
KRN_API uint32_t KRNByte_Peek_le_uint32(KrnByteReader *r, uint32_t *end);
KRN_API uint32_t KRNByte_Peek_be_uint32(KrnByteReader *r, uint32_t *end);
KRN_API uint64_t KRNByte_Peek_le_uint64(KrnByteReader *r, uint32_t *end);
KRN_API uint64_t KRNByte_Peek_be_uint64(KrnByteReader *r, uint32_t *end);
KRN_API uint32_t KRNByte_Get_3char_be_uint32(KrnByteReader *r, uint32_t *end);

/* Same bits as the unsigned namesakes; read the result as signed. */
KRN_API int16_t KRNByte_Get_le_int16(KrnByteReader *r, uint32_t *end);
KRN_API int16_t KRNByte_Get_be_int16(KrnByteReader *r, uint32_t *end);
KRN_API int32_t KRNByte_Get_le_int32(KrnByteReader *r, uint32_t *end);
KRN_API int32_t KRNByte_Get_be_int32(KrnByteReader *r, uint32_t *end);
KRN_API int64_t KRNByte_Get_le_int64(KrnByteReader *r, uint32_t *end);
KRN_API int64_t KRNByte_Get_be_int64(KrnByteReader *r, uint32_t *end);
KRN_API int16_t KRNByte_Peek_le_int16(KrnByteReader *r, uint32_t *end);
KRN_API int16_t KRNByte_Peek_be_int16(KrnByteReader *r, uint32_t *end);
KRN_API int32_t KRNByte_Peek_le_int32(KrnByteReader *r, uint32_t *end);
KRN_API int32_t KRNByte_Peek_be_int32(KrnByteReader *r, uint32_t *end);
KRN_API int64_t KRNByte_Peek_le_int64(KrnByteReader *r, uint32_t *end);
KRN_API int64_t KRNByte_Peek_be_int64(KrnByteReader *r, uint32_t *end);

KRN_API uint8_t *KRNByte_Get_3char(KrnByteReader *r, uint8_t *dest, uint32_t *end);
/* Advances by 3 as well, like KRNByte_Get_3char. */
KRN_API uint8_t *KRNByte_Peek_3char(KrnByteReader *r, uint8_t *dest, uint32_t *end);
KRN_API uint8_t *KRNByte_Get_4char(KrnByteReader *r, uint8_t *dest, uint32_t *end);
KRN_API uint8_t *KRNByte_Peek_4char(KrnByteReader *r, uint8_t *dest, uint32_t *end);
KRN_API uint8_t *KRNByte_Get_string(KrnByteReader *r, uint8_t *dest, uint32_t count, uint32_t *end);
KRN_API uint8_t *KRNByte_Peek_string(KrnByteReader *r, uint8_t *dest, uint32_t count,
                                     uint32_t *end);

/* ------------------------------------------------------------------------- */
/* Bit reader / writer (big-endian bit order)                                */
/* ------------------------------------------------------------------------- */

typedef struct KrnBitReader KrnBitReader;

/* Bounded by size: bits past the end read as zero and are never written. */
KRN_API KrnBitReader *KRNBitOpen(uint8_t *data, uint32_t size);
KRN_API void KRNBitClose(void *reader);
KRN_API uint32_t KRNBitShow(KrnBitReader *b, int32_t n);
KRN_API uint32_t KRNBitGetBit(KrnBitReader *b, int32_t n);
KRN_API uint32_t KRNBitGet1Bit(KrnBitReader *b);
KRN_API uint32_t KRNBitGetFast(KrnBitReader *b, int32_t n);
KRN_API int32_t KRNBitFlush(KrnBitReader *b, int32_t n);
KRN_API int32_t KRNBitByteAlign(KrnBitReader *b);
KRN_API void KRNBitPutBit(KrnBitReader *b, int32_t n, uint32_t value);
KRN_API void KRNBitPutByte(KrnBitReader *b, int32_t count, const uint8_t *bytes);
KRN_API int32_t KRNBitBookmark(KrnBitReader *b, int32_t set);
KRN_API int32_t KRNBitGetProcessed(const KrnBitReader *b);
KRN_API int32_t KRNBitCount(uint32_t value);

/* ------------------------------------------------------------------------- */
/* Files and directories                                                     */
/* ------------------------------------------------------------------------- */

#define KRN_FILE_CREATE 0x1u
#define KRN_FILE_READ 0x2u
#define KRN_FILE_WRITE 0x4u
#define KRN_FILE_UPDATE 0x8u
#define KRN_FILE_APPEND 0x10u
#define KRN_FILE_TEXT 0xF0000000u

#define KRN_SEEK_SET 0
#define KRN_SEEK_CUR 1
#define KRN_SEEK_END 2

typedef struct KrnFile KrnFile;
typedef struct KrnDir KrnDir;

typedef struct KrnFileAttr {
  uint8_t isDirectory;
  int64_t modified; /* calendar time in seconds */
  uint64_t size;
} KrnFileAttr;

KRN_API KrnFile *KRN_FileOpen(const wchar_t *path, uint32_t flags);
KRN_API void KRN_FileClose(KrnFile *file);
KRN_API int32_t KRN_FileSeek(KrnFile *file, int64_t offset, int32_t origin);
/* -1 on failure and for positions that do not fit 31 bits. */
KRN_API int32_t KRN_FileTell(KrnFile *file);
KRN_API int64_t KRN_FileSize(KrnFile *file);
KRN_API uint64_t KRN_FileRead(KrnFile *file, void *buffer, uint64_t length);
KRN_API uint64_t KRN_FileWrite(KrnFile *file, const void *data, uint64_t length);
KRN_API int32_t KRN_FileReadChar(KrnFile *file);
KRN_API wchar_t *KRN_FileReadLine(KrnFile *file, wchar_t *buffer, int32_t capacity);
KRN_API int32_t KRN_FileTextWrite(KrnFile *file, const wchar_t *text);
KRN_API int32_t KRN_FileSync(KrnFile *file);
KRN_API int32_t KRN_FileTruncate(KrnFile *file, int64_t size);

KRN_API KrnDir *KRN_FileOpenDir(const wchar_t *path);
KRN_API const wchar_t *KRN_FileReadDir(KrnDir *dir);
KRN_API int32_t KRN_FileCloseDir(KrnDir *dir);
KRN_API void KRN_FileResetDir(KrnDir *dir);

KRN_API int32_t KRN_FileExist(const wchar_t *path, int32_t mode);
KRN_API int32_t KRN_MakeDir(const wchar_t *path);
KRN_API int32_t KRN_GetFileAttr(const wchar_t *path, KrnFileAttr *attr);
KRN_API int64_t KRN_GetFreeDiskSpace(const wchar_t *path);
KRN_API int32_t KRN_Truncate(const wchar_t *path, int64_t size);

KRN_API int32_t KRN_FEdit_Put(const wchar_t *path, const wchar_t *text);
KRN_API int32_t KRN_FEdit_Del(const wchar_t *path, const wchar_t *scratchPath, const wchar_t *text);
KRN_API int32_t KRN_FEdit_TrunkUp(const wchar_t *path, const wchar_t *scratchPath);

/* ------------------------------------------------------------------------- */
/* Threads                                                                   */
/* ------------------------------------------------------------------------- */

typedef struct KrnThread KrnThread;
/* The entry's result becomes the thread's exit code. */
typedef uint32_t (*KrnThreadEntry)(void *arg);

KRN_API KrnThread *KRN_ThreadCreate(const wchar_t *name, int32_t priority, uint32_t stackSize,
                                    KrnThreadEntry entry, void *arg);
KRN_API void KRN_ThreadExit(int32_t code);
KRN_API int32_t KRN_ThreadDelete(KrnThread *thread, uint32_t *exitCode);
KRN_API uint32_t KRN_ThreadGetCurrentID(void);
KRN_API int32_t KRN_ThreadSleep(uint32_t milliseconds);
KRN_API int32_t KRN_ThreadUSleep(uint32_t microseconds);
KRN_API int32_t KRN_ThreadDetach(KrnThread *thread);
KRN_API int32_t KRN_ThreadDetachSelf(void);
KRN_API int32_t KRN_ThreadGetStatus(KrnThread *thread);
KRN_API int32_t KRN_ThreadSetStatus(KrnThread *thread, int32_t status);

/* ------------------------------------------------------------------------- */
/* Mutexes (recursive, owner-only release)                                   */
/* ------------------------------------------------------------------------- */

typedef struct KrnMutex KrnMutex;

KRN_API KrnMutex *KRN_MutexCreate(void);
KRN_API int32_t KRN_MutexDestroy(KrnMutex *mutex);
KRN_API int32_t KRN_MutexLock(KrnMutex *mutex, uint32_t timeoutMs);
KRN_API int32_t KRN_MutexUnLock(KrnMutex *mutex);

/* ------------------------------------------------------------------------- */
/* Semaphores and events                                                     */
/* ------------------------------------------------------------------------- */

typedef struct KrnSema KrnSema;
typedef struct KrnEvent KrnEvent;

KRN_API KrnSema *KRN_SemaCreate(const wchar_t *name, int32_t maxCount);
KRN_API int32_t KRN_SemaDestroy(KrnSema *sema);
KRN_API int32_t KRN_SemaGet(KrnSema *sema, uint32_t timeoutMs);
KRN_API int32_t KRN_SemaPut(KrnSema *sema);
KRN_API int32_t KRN_SemaStatus(KrnSema *sema);
KRN_API int32_t KRN_SemaReset(KrnSema *sema);

KRN_API KrnEvent *KRN_EventCreate(const wchar_t *name);
KRN_API int32_t KRN_EventDestroy(KrnEvent *event);
KRN_API int32_t KRN_EventWait(KrnEvent *event, uint32_t timeoutMs);
KRN_API int32_t KRN_EventSend(KrnEvent *event);
KRN_API int32_t KRN_EventStatus(KrnEvent *event);

/* ------------------------------------------------------------------------- */
/* Shared libraries                                                          */
/* ------------------------------------------------------------------------- */

KRN_API void *KRN_LibraryLoad(const wchar_t *fileName);
KRN_API void *KRN_LibraryGetFunc(void *module, const char *symbol);
KRN_API int32_t KRN_LibraryUnLoad(void *module);

/* ------------------------------------------------------------------------- */
/* Lists: KRN_List* take their own lock, KRN_NList* leave that to the caller */
/* ------------------------------------------------------------------------- */

/* A node is allocated by Node_new and owned by the caller while unlinked; the
 * lists never free nodes or the data they point at. */
typedef struct KrnListNode {
  struct KrnListNode *prev;
  struct KrnListNode *next;
  void *data;
} KrnListNode;

typedef struct KrnList KrnList;
typedef struct KrnNList KrnNList;

KRN_API KrnList *KRN_ListCreate(void);
KRN_API int32_t KRN_ListDestroy(KrnList *list);
KRN_API KrnListNode *KRN_List_Node_new(void);
KRN_API KrnListNode *KRN_List_Node_new_data(void *data);
KRN_API int32_t KRN_List_Node_delete(KrnListNode *node);
KRN_API KrnListNode *KRN_ListGetHead(KrnList *list);
KRN_API KrnListNode *KRN_ListGetTail(KrnList *list);
KRN_API KrnListNode *KRN_ListGetNext(KrnList *list, KrnListNode *node);
KRN_API KrnListNode *KRN_ListGetPrev(KrnList *list, KrnListNode *node);
KRN_API int32_t KRN_ListAddTail(KrnList *list, KrnListNode *node);
KRN_API int32_t KRN_ListAddHead(KrnList *list, KrnListNode *node);
KRN_API int32_t KRN_ListDel(KrnList *list, KrnListNode *node);
KRN_API int32_t KRN_ListGetNum(KrnList *list);
KRN_API KrnListNode *KRN_List_GetNthList(KrnList *list, int32_t index);
/* Moves node to just before dest. */
KRN_API int32_t KRN_ListMove(KrnList *list, KrnListNode *dest, KrnListNode *node);
KRN_API int32_t KRN_ListMoveToTail(KrnList *list, KrnListNode *node);

KRN_API KrnNList *KRN_NListCreate(void);
KRN_API int32_t KRN_NListDestroy(KrnNList *list);
KRN_API KrnListNode *KRN_NList_Node_new(void);
KRN_API KrnListNode *KRN_NList_Node_new_data(void *data);
KRN_API int32_t KRN_NList_Node_delete(KrnListNode *node);
KRN_API KrnListNode *KRN_NListGetHead(KrnNList *list);
KRN_API KrnListNode *KRN_NListGetTail(KrnNList *list);
KRN_API KrnListNode *KRN_NListGetNext(KrnNList *list, KrnListNode *node);
KRN_API KrnListNode *KRN_NListGetPrev(KrnNList *list, KrnListNode *node);
KRN_API int32_t KRN_NListAddTail(KrnNList *list, KrnListNode *node);
KRN_API int32_t KRN_NListAddHead(KrnNList *list, KrnListNode *node);
KRN_API int32_t KRN_NListDel(KrnNList *list, KrnListNode *node);
KRN_API int32_t KRN_NListGetNum(KrnNList *list);
KRN_API KrnListNode *KRN_NList_GetNthList(KrnNList *list, int32_t index);
KRN_API int32_t KRN_NListMove(KrnNList *list, KrnListNode *dest, KrnListNode *node);
KRN_API int32_t KRN_NListMoveToTail(KrnNList *list, KrnListNode *node);

/* ------------------------------------------------------------------------- */
/* Queue: thread-safe, consumers may wait; bounded (preallocated) or not      */
/* ------------------------------------------------------------------------- */

typedef struct KrnQueue KrnQueue;

/* maxCount 0 makes an unbounded queue. */
KRN_API KrnQueue *KRN_QueueCreate(const wchar_t *name, int32_t maxCount);
/* Frees the queue, never the data pointers it still holds. */
KRN_API int32_t KRN_QueueDestroy(KrnQueue *queue);
KRN_API int32_t KRN_QueueReset(KrnQueue *queue);
KRN_API int32_t KRN_QueuePush(KrnQueue *queue, void *data, int32_t value);
KRN_API int32_t KRN_QueuePush2Head(KrnQueue *queue, void *data, int32_t value);
/* Null when nothing arrived within timeoutMs, and once after KRN_QueuePopRelease. */
KRN_API void *KRN_QueuePop(KrnQueue *queue, int32_t *value, uint32_t timeoutMs);
KRN_API void *KRN_QueuePopTail(KrnQueue *queue, int32_t *value, uint32_t timeoutMs);
KRN_API void *KRN_QueuePeek(KrnQueue *queue, int32_t *value);
KRN_API int32_t KRN_QueuePopRelease(KrnQueue *queue);
KRN_API int32_t KRN_QueueGetSize(KrnQueue *queue);
KRN_API const wchar_t *KRN_QueueGetName(KrnQueue *queue);
KRN_API int32_t KRN_QueueFull(KrnQueue *queue);
KRN_API int32_t KRN_QueueEmpty(KrnQueue *queue);

/* ------------------------------------------------------------------------- */
/* Hash map with wide-string keys (caller guards it), CRC-32 and CRC-16       */
/* ------------------------------------------------------------------------- */

typedef struct KrnHashmap KrnHashmap;
typedef void (*KrnHashRelease)(void *data);

/* capacity 0 means 256. */
KRN_API KrnHashmap *KRN_Hashmap_Create(uint32_t capacity, int32_t expandable);
/* Stores a copy of key; returns the slot index or -1. Keys are not deduplicated. */
KRN_API int32_t KRN_Hashmap_Hash(KrnHashmap *map, const wchar_t *key, void *data);
KRN_API int32_t KRN_Hashmap_Get(KrnHashmap *map, const wchar_t *key, void **data);
KRN_API int32_t KRN_Hashmap_Del(KrnHashmap *map, const wchar_t *key);
KRN_API void KRN_Hashmap_reset(KrnHashmap *map);
KRN_API uint32_t KRN_Hashmap_size(KrnHashmap *map);
/* Slot of key in a table of modulus slots; modulus 0 gives the unreduced hash. */
KRN_API uint32_t KRN_Hashmap_string(const wchar_t *key, uint32_t modulus);
KRN_API void KRN_Hashmap_dump(KrnHashmap *map);
KRN_API void KRN_Hashmap_Destroy(KrnHashmap *map);
/* Calls release for every slot's data (null for empty slots) before freeing. */
KRN_API void KRN_Hashmap_DestroyFull(KrnHashmap *map, KrnHashRelease release);

KRN_API uint32_t KRN_Hash_crc32(const void *data, uint32_t length);
KRN_API uint16_t KRN_Hash_crc16(const void *data, uint32_t length);

/* ------------------------------------------------------------------------- */
/* Frame buffer: one writer, readers on duplicated handles                   */
/* ------------------------------------------------------------------------- */

typedef void *(*KrnBufAlloc)(uint32_t size);
typedef void (*KrnBufFree)(void *ptr);

typedef struct KrnBufParam {
  int32_t bufSize;      /* bytes of the area */
  int32_t minSize;      /* room every write is given */
  int32_t number;       /* most frames held at once */
  int32_t align;        /* below 2 means 1 */
  int32_t index;        /* channel number */
  int32_t media;        /* 1, 2 and 3 are recorded in the usage table */
  void *extMem;         /* caller's area of bufSize bytes, or null */
  KrnBufAlloc extAlloc; /* both or neither */
  KrnBufFree extFree;
} KrnBufParam;

typedef struct KrnBufNode {
  uint8_t *buf;
  int32_t size;
  int32_t asize; /* aligned size of a frame, the room of a write */
  int64_t stamp;
  int64_t user;
  int32_t user1;
  int32_t user2;
  int32_t index;
  int32_t refCnt; /* readers still to release the frame */
} KrnBufNode;

typedef struct KrnBufStatus {
  int32_t bufSize;
  int32_t minSize;
  int32_t unreleased; /* aligned bytes this handle has not released */
  int32_t usedCount;
  int32_t writeIndex;
  int32_t readIndex;
  int64_t stampSpan;
  int32_t index;
  int32_t media;
} KrnBufStatus;

#define KRN_BUF_USAGE_SLOTS 18
typedef struct KrnBufUsage {
  int64_t percent[KRN_BUF_USAGE_SLOTS]; /* 0-15 media 1 by index, 16 media 2, 17 media 3 */
  int32_t highWater;                    /* last usage computed was 80 % or more */
} KrnBufUsage;

typedef struct KrnBuf KrnBuf;

/* With source, a new handle on the same buffer (param may then be null). */
KRN_API KrnBuf *KRNBuf_Create(const KrnBufParam *param, KrnBuf *source);
/* Releases what this handle had not released yet, then frees the handle. */
KRN_API int32_t KRNBuf_Destroy(KrnBuf *buf);
KRN_API int32_t KRNBuf_GetWBuf(KrnBuf *buf, KrnBufNode *node);
KRN_API int32_t KRNBuf_FillWBuf(KrnBuf *buf, KrnBufNode *node);
KRN_API int32_t KRNBuf_GetRBuf(KrnBuf *buf, KrnBufNode *node);
KRN_API int32_t KRNBuf_DelRBuf(KrnBuf *buf, KrnBufNode *node);
KRN_API int32_t KRNBuf_FindRBuf(KrnBuf *buf, const void *data, KrnBufNode *node);
KRN_API int32_t KRNBuf_BufStatus(KrnBuf *buf, KrnBufStatus *status);
KRN_API int32_t KRNBuf_GetBufRefCnt(KrnBuf *buf);
KRN_API int32_t KRNBuf_AddBufRefCnt(KrnBuf *buf);
KRN_API bool KRNBuf_CheckBuf(KrnBuf *buf, const KrnBufNode *node, const void *ptr);
/* The user lock; the take waits at most 3000 ms and returns -1 when it fails. */
KRN_API int32_t KRNBuf_LockEnter(KrnBuf *buf);
KRN_API int32_t KRNBuf_LockLeave(KrnBuf *buf);
/* A copy of the process-wide table, valid until the calling thread's next call. */
KRN_API const KrnBufUsage *KRNBuf_GetUsage(void);

/* ------------------------------------------------------------------------- */
/* Ring: a sliding window of at most size bytes (not locked)                 */
/* ------------------------------------------------------------------------- */

typedef struct KrnRing KrnRing;

KRN_API KrnRing *KRNRing_Create(uint32_t size);
KRN_API int32_t KRNRing_Destroy(KrnRing *ring);
/* *size is the room left in the window. */
KRN_API uint8_t *KRNRing_GetWBuf(KrnRing *ring, uint32_t *size);
KRN_API uint32_t KRNRing_FillWBuf(KrnRing *ring, uint32_t count);
KRN_API uint8_t *KRNRing_GetRBuf(KrnRing *ring, uint32_t *size);
KRN_API uint32_t KRNRing_DelRBuf(KrnRing *ring, uint32_t count);

/* ------------------------------------------------------------------------- */
/* Message channel and IPC object                                            */
/* ------------------------------------------------------------------------- */

/* Owned by the sender until the receiver has taken it. */
typedef struct KrnMsgRecord {
  int32_t id;
  uint32_t size;
  void *data;
} KrnMsgRecord;

typedef struct KrnMsg KrnMsg;

KRN_API KrnMsg *KRN_MsgCreate(void *reserved, uint32_t maxMsg, uint32_t maxSize);
KRN_API int32_t KRN_MsgSend(KrnMsg *channel, KrnMsgRecord *msg);
KRN_API int32_t KRN_MsgReceive(KrnMsg *channel, KrnMsgRecord **msg, uint32_t timeoutMs);
KRN_API int32_t KRN_MsgDestroy(KrnMsg *channel);

typedef struct KrnIPC KrnIPC;

KRN_API KrnIPC *KRN_IPCOpen(const wchar_t *name, int32_t count, uint32_t msgSize);
KRN_API int32_t KRN_IPCClose(KrnIPC *ipc);
KRN_API int32_t KRN_IPCSend(KrnIPC *ipc, const void *data);
KRN_API int32_t KRN_IPCReceive(KrnIPC *ipc, void *data);
KRN_API void *KRN_IPCGetMsg(KrnIPC *ipc, uint32_t *size);
KRN_API int32_t KRN_IPCPutMsg(KrnIPC *ipc, const void *data);

/* ------------------------------------------------------------------------- */
/* Small-block pools (up to ten block sizes) and the region heap             */
/* ------------------------------------------------------------------------- */

KRN_API int32_t KRN_SMalloc_Init(void);
KRN_API int32_t KRN_SMalloc_Deinit(void);
KRN_API int32_t KRN_SMalloc_Register(int32_t size, const wchar_t *name);
KRN_API int32_t KRN_SMalloc_UnRegister(int32_t size);
/* A zeroed block of the pool whose block size is size rounded up to 4. */
KRN_API void *KRN_SMalloc(int32_t size);
KRN_API int32_t KRN_SFree(void *block, int32_t size);
KRN_API bool KRN_SMemIsReg(int32_t size);
KRN_API const wchar_t *KRN_SMemGetName(int32_t size);
KRN_API int32_t KRN_SMemStatus(int32_t *count, int64_t *reserved, int64_t *used);
KRN_API void *KRN_ShmMalloc(uint32_t size);
KRN_API void KRN_ShmFree(void *ptr);

typedef struct KrnVMem KrnVMem;

/* Over the caller's memory, or over a region of size bytes it allocates. */
KRN_API KrnVMem *KRN_VMemCreate(void *memory, uint32_t size);
KRN_API void *KRN_VMalloc(KrnVMem *heap, uint32_t size);
KRN_API void *KRN_VReAlloc(KrnVMem *heap, void *block, uint32_t size);
KRN_API int32_t KRN_VFree(KrnVMem *heap, void *block);
KRN_API int32_t KRN_VMemReset(KrnVMem *heap);
KRN_API int32_t KRN_VMemDestroy(KrnVMem *heap);
KRN_API uint32_t KRN_VGetFree(KrnVMem *heap);

#ifdef __cplusplus
}
#endif

#endif /* KRNCORE_H */
