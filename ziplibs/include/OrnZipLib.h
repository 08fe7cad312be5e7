/* OrnZipLib.h -- the call protocol between the zip engine and the two
 * compression libraries, libornzip.so (adding) and libornunz.so (extracting).
 *
 * The engine loads a library with dlopen, asks its version and hands one
 * parameter block to OrnZipExec / OrnUnzExec. The library runs the whole job
 * on the calling thread's behalf and reports through the callback, always on
 * the calling thread, so the host may let its window messages run from there.
 *
 * The blocks keep the fields of the original 32-bit layout in the original
 * order; addresses are pointer-sized here, so the old byte offsets (noted in
 * the comments for reference) do not hold. The host zero-fills a block before
 * filling it in: every field it does not set, including the additions at the
 * end of each block, must read as zero.
 *
 * Flags are int32_t: -1 (or any nonzero value) for true, 0 for false.
 * Strings are zero-terminated UTF-8 owned by the host for the length of the
 * call; a null pointer and an empty string mean the same. */
#ifndef ORN_ZIPLIB_H
#define ORN_ZIPLIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Versions. A library reports ORN_ZIPLIB_VERSION / ORN_UNZLIB_VERSION; the
 * host puts its own interface version into the blocks' Version field. */
#define ORN_ZIPLIB_VERSION 160
#define ORN_UNZLIB_VERSION 160
#define ORN_ZIP_INTERFACE_VERSION 160
/* Lowest library versions that take the short blocks below (older ones took
 * the long blocks with plain arrays of lines, which these libraries don't). */
#define ORN_ZIPLIB_MIN_SHORT_BLOCK 151
#define ORN_UNZLIB_MIN_SHORT_BLOCK 152
/* The value of the last field of every block (fSeven). */
#define ORN_BLOCK_END_MARK 7

/* Export names, for dlsym. */
#define ORN_ZIPEXEC_NAME "OrnZipExec"
#define ORN_GETZIPVERSION_NAME "GetOrnZipVersion"
#define ORN_UNZEXEC_NAME "OrnUnzExec"
#define ORN_GETUNZVERSION_NAME "GetOrnUnzVersion"

/* ---- Callback ---------------------------------------------------------- */

/* Action codes of the callback record. */
enum OrnCallbackAction {
  ORN_CB_ITEM_START = 1,   /* FileNameOrMsg = item, FileSize = its size */
  ORN_CB_BYTES_DONE = 2,   /* FileSize = bytes done since the last report */
  ORN_CB_BATCH_END = 3,    /* the job's items are done */
  ORN_CB_MESSAGE = 4,      /* ErrorCode = code (0: information), FileNameOrMsg = text */
  ORN_CB_ITEM_COUNT = 5,   /* FileSize = number of items the job will process */
  ORN_CB_TOTAL_SIZE = 6,   /* FileSize = total bytes the job will process */
  ORN_CB_NEW_NAME = 7,     /* in: FileNameOrMsg = stored name; out: ErrorCode 1 = renamed to FileNameOrMsg */
  ORN_CB_PASSWORD = 8,     /* in: ErrorCode bit 0 set = add password wanted, bit 1 set = the last answer
                              did not fit, FileSize = repeat count, FileNameOrMsg = entry;
                              out: ErrorCode 1 = FileNameOrMsg holds the password,
                              FileSize = repeat count (at most 15) */
  ORN_CB_CRC_ERROR = 9,    /* in: ErrorCode = found CRC, FileSize = expected CRC, FileNameOrMsg = entry;
                              out: ErrorCode nonzero = keep the extracted file */
  ORN_CB_OVERWRITE = 10,   /* in: ErrorCode bit 0 = the existing file is older, bit 1 = the file was
                              written by this job (same-named entries in a flat extraction),
                              FileSize = default answer, FileNameOrMsg = file; out: FileSize 0 = skip,
                              1 (or any other nonzero) = overwrite, ORN_KEEP_BOTH = write the entry
                              beside it under a free name "NAME (2).EXT" */
  ORN_CB_SKIPPED = 11,     /* ErrorCode = error code, low byte of FileSize = OrnSkipType, FileNameOrMsg = entry */
  ORN_CB_FILE_COMMENT = 12 /* in: FileNameOrMsg = entry; out: FileNameOrMsg = comment, FileSize = its length,
                              ErrorCode = changed */
};

/* The answer to ORN_CB_OVERWRITE that keeps both files. */
#define ORN_KEEP_BOTH 2

/* Why an entry was skipped (ORN_CB_SKIPPED, low byte of FileSize); the order
 * of the engine's UnZipSkipTypes. */
enum OrnSkipType {
  ORN_SKIP_ON_FRESHEN = 0,        /* freshen/update: the file on disk is not older, or missing */
  ORN_SKIP_NO_OVERWRITE = 1,      /* exists and overwriting was refused */
  ORN_SKIP_FILE_EXISTS = 2,       /* exists and overwriting is off */
  ORN_SKIP_BAD_PASSWORD = 3,      /* the password(s) given did not fit */
  ORN_SKIP_NO_ENCRYPTION_KEY = 4, /* encrypted and no password was given */
  ORN_SKIP_COMPRESSION_UNKNOWN = 5,
  ORN_SKIP_UNKNOWN_ZIP_HOST = 6,
  ORN_SKIP_ZIP_FORMAT_WRONG = 7, /* damaged or unsupported record */
  ORN_SKIP_GENERAL_EXTRACT_ERROR = 8,
  ORN_SKIP_UNSAFE_PATH = 9 /* the name would write outside the base directory (absolute
                              name, drive letter, "..", or a symbolic link on the way) */
};

/* Error codes carried in ErrorCode of ORN_CB_MESSAGE / ORN_CB_SKIPPED. The
 * engine keeps the low byte as LastErrCode. */
enum OrnZipError {
  ORN_ZE_OK = 0,
  ORN_ZE_EOF = 2,       /* archive ends early */
  ORN_ZE_FORMAT = 3,    /* archive damaged or not a zip archive */
  ORN_ZE_MEMORY = 4,    /* out of memory */
  ORN_ZE_LOGIC = 5,     /* internal error */
  ORN_ZE_BIG = 6,       /* an entry or the archive passes the zip limits (4 GiB, 65535 entries) */
  ORN_ZE_ABORT = 9,     /* cancelled by the host (callback returned -1) */
  ORN_ZE_TEMP = 10,     /* temporary file cannot be written */
  ORN_ZE_READ = 11,     /* a file cannot be read */
  ORN_ZE_NONE = 12,     /* nothing to do */
  ORN_ZE_NAME = 13,     /* a line of file names matched nothing */
  ORN_ZE_WRITE = 14,    /* the archive or a file cannot be written */
  ORN_ZE_CREATE = 15,   /* the archive or a file cannot be created */
  ORN_ZE_PARMS = 16,    /* bad parameter block */
  ORN_ZE_OPEN = 18,     /* a file cannot be opened */
  ORN_ZE_CRC = 19,      /* CRC mismatch */
  ORN_ZE_PASSWORD = 20, /* wrong or missing password */
  ORN_ZE_UNSAFE = 21    /* unsafe entry name */
};

/* Callback record, passed by address. (32-bit offsets: 4 Caller, 16
 * ActionCode, 20 ErrorCode, 24 FileSize, 28 FileNameOrMsg.) */
typedef struct OrnCallbackStruct {
  void* Handle;            /* the block's Handle */
  void* Caller;            /* the block's Caller, handed back unchanged */
  int32_t Version;         /* the library's version */
  int32_t IsOperationZip;  /* -1 from libornzip, 0 from libornunz */
  int32_t ActionCode;      /* OrnCallbackAction */
  int32_t ErrorCode;       /* in/out: error code, flag or answer */
  int64_t FileSize;        /* in/out: size, count or answer (64-bit so totals past 2 GiB stay right) */
  char FileNameOrMsg[512]; /* in/out: file name or message, zero-terminated UTF-8, '/' separators */
} OrnCallbackStruct;

/* Returns 0 to go on, -1 to stop the job. */
typedef int32_t (*OrnZipCallback)(OrnCallbackStruct* rec);

/* ---- Adding ------------------------------------------------------------ */

/* One line of FSpecArgs (file record). */
typedef struct OrnZipFileData {
  const char* fFileSpec;    /* 0:  file name or wildcard, without prefix or "<" part */
  const char* fFileComment; /* 4:  unused */
  const char* fFileAltName; /* 8:  unused */
  const char* fPassword;    /* 12: password for this line's files; null: none */
  int32_t fEncrypt;         /* 16: nonzero (the block's flag, or 65535) = encrypt with fPassword */
  int16_t fRecurse;         /* 20: nonzero = recurse into subdirectories */
  int16_t fNoRecurseFiles;  /* 22: unused */
  int32_t fDateUsed;        /* 24: unused */
  char fDate[8];            /* 28: unused */
  const char* fRootDir;     /* 36: base directory for a relative fFileSpec; null = the current directory */
  void* fNotUsed[16];       /* 40: reserved, zero */
} OrnZipFileData;

/* Zip parameter block, handed to OrnZipExec. */
typedef struct OrnZipParams {
  void* Handle;                 /* 0:   application window handle; null when unattended */
  void* Caller;                 /* 4:   the component, handed back in every callback */
  int32_t Version;              /* 8:   ORN_ZIP_INTERFACE_VERSION */
  OrnZipCallback ZCallbackFunc; /* 12:  the callback; null = no reports, no questions */
  int32_t fTraceEnabled;        /* 16:  trace messages */
  const char* pZipPassword;     /* 20:  password (default for every line) */
  const char* pSuffix;          /* 24:  ".gif:.png:..." suffixes stored without compression */
  int32_t fEncrypt;             /* 28:  encrypt */
  int32_t fSystem;              /* 32:  include hidden and system files (names beginning with '.') */
  int32_t fVolume;              /* 36:  volume flag (no effect here) */
  int32_t fExtra;               /* 40:  0 */
  int32_t fNoDirEntries;        /* 44:  nonzero = do not write separate directory entries */
  int32_t fDate;                /* 48:  0 */
  int32_t fVerbose;             /* 52:  detail messages */
  int32_t fQuiet;               /* 56:  -1 */
  int32_t fLevel;               /* 60:  compression level 0-9 (0 = store) */
  int32_t fComprSpecial;        /* 64:  unused */
  int32_t fCRLF_LF;             /* 68:  0 */
  int32_t fJunkDir;             /* 72:  nonzero = drop directory names */
  int16_t fRecurse;             /* 76:  nonzero = recurse (default of every line) */
  int16_t fNoRecurseFiles;      /* 78:  unused */
  int32_t fGrow;                /* 80:  -1 (an existing archive is always added to) */
  int32_t fForce;               /* 84:  force short (8.3) names */
  int32_t fMove;                /* 88:  delete the source files after adding */
  int32_t fDeleteEntries;       /* 92:  0 */
  int32_t fUpdate;              /* 96:  replace older entries and add new files */
  int32_t fFreshen;             /* 100: only replace entries that exist and are older */
  int32_t fJunkSFX;             /* 104: 0 */
  int32_t fLatestTime;          /* 108: give the archive the time of its newest entry */
  char Date[8];                 /* 112: unused */
  int32_t Argc;                 /* 120: number of records in FDs */
  const char* pZipFN;           /* 124: archive to write */
  const char* pTempDir;         /* 128: directory for the temporary archive; null = beside pZipFN */
  const char* pZipComment;      /* 132: archive comment to keep; null = keep the old one */
  int16_t fArchiveFilesOnly;    /* 136: only files with the archive attribute (none on this system) */
  int16_t fResetArchiveBit;     /* 138: clear the archive attribute (no effect here) */
  OrnZipFileData* FDs;          /* 140: Argc file records, one per line */
  int32_t fForceWin;            /* 144: unused */
  int32_t TotExFileSpecs;       /* 148: number of strings in ExFiles */
  const char* const* ExFiles;   /* 152: excluded names (wildcards on the name or the stored path) */
  int32_t fUseOutStream;        /* 156: unused */
  void* OutStream;              /* 160: unused */
  uint32_t OutStreamSize;       /* 164: unused */
  int32_t StrFileAttr;          /* 168: unused */
  int32_t StrFileDate;          /* 172: unused */
  int32_t fHowToMove;           /* 176: unused */
  int32_t WantedCodePage;       /* 180: unused */
  int32_t NotUsed0;             /* 184: unused */
  void* NotUsed[5];             /* 188: unused */
  int32_t fSeven;               /* 212: ORN_BLOCK_END_MARK */
  /* Additions of this build, after the end mark. */
  int32_t MaxThreads;  /* worker threads for compressing; 0 = one per core */
  int32_t fStoreLinks; /* nonzero = store a symbolic link as a link (its target as data); 0 = follow it */
  int32_t fBest;       /* nonzero = the deflate implementation's slowest, tightest level, beyond fLevel 9 */
  int32_t AesStrength; /* encrypted lines: 0 = the traditional zip encryption; 1, 2, 3 = AES with
                          128, 192, 256-bit keys (method 99, readable by the current archivers) */
} OrnZipParams;

/* ---- Extracting -------------------------------------------------------- */

/* One line of FSpecArgs for extracting: an entry name or wildcard. */
typedef struct OrnUnzipFileData {
  const char* fFileSpec;    /* 0: entry name as the host lists it (decoded, '/' separators) or a
                               wildcard; '\' and '/' both match '/' */
  const char* fFileAltName; /* unused */
  const char* fPassword;    /* unused */
  void* fNotUsed[14];       /* reserved, zero */
} OrnUnzipFileData;

/* Unzip parameter block, handed to OrnUnzExec. */
typedef struct OrnUnzipParams {
  void* Handle;                 /* 0:   application window handle; null when unattended */
  void* Caller;                 /* 4:   the component */
  int32_t Version;              /* 8:   ORN_ZIP_INTERFACE_VERSION */
  OrnZipCallback ZCallbackFunc; /* 12:  the callback */
  int32_t fTraceEnabled;        /* 16 */
  int32_t fWantedCodePage;      /* 20:  unused */
  const char* pZipPassword;     /* 24:  password; null = ask through the callback when needed */
  int32_t fTest;                /* 28:  test only, write nothing */
  int32_t fComments;            /* 32:  0 */
  int32_t fConvert;             /* 36:  0 */
  int32_t fQuiet;               /* 40:  -1 */
  int32_t fVerbose;             /* 44 */
  int32_t fUpdate;              /* 48:  replace older files and add missing ones */
  int32_t fFreshen;             /* 52:  only replace existing older files */
  int32_t fDirectories;         /* 56:  recreate stored paths; else extract into the base directory itself */
  int32_t fOverwrite;           /* 60:  overwrite existing files without asking */
  int32_t Argc;                 /* 64:  number of records in FDs; 0 = every entry */
  const char* pZipFN;           /* 68:  archive to read */
  OrnUnzipFileData* FDs;        /* 72:  Argc entry names or wildcards */
  int32_t NotUsed76;            /* 76:  unused */
  int32_t fExtractToMemory;     /* 80:  extract the first file entry the first line names into pExtractBuffer */
  void* pExtractBuffer;         /* 84:  the host's buffer */
  uint32_t ExtractBufferSize;   /* 88:  its size; a larger entry is refused */
  int32_t NotUsed92[3];         /* 92:  unused */
  uint32_t fPWReqCount;         /* 104: how often a password may be asked per entry (at most 15) */
  int32_t NotUsed108[9];        /* 108: unused */
  int32_t fSeven;               /* 144: ORN_BLOCK_END_MARK */
  /* Additions of this build, after the end mark. */
  const char* ExtrBaseDir; /* directory to extract into (also the boundary no entry may leave);
                              null = the current directory */
  /* How entry names without the UTF-8 flag are decoded, as the host lists
   * them, so that a name the host shows is the name the library matches and
   * writes. Zero means the library's defaults (by host system, 437, 1252). */
  int32_t NamesCodePage;       /* 0: OEM for DOS-family hosts, 1: as stored, 2: OEM for every host */
  int32_t NamesOemCodePage;    /* the OEM code page (775, 866, 437, ...) */
  int32_t NamesAnsiCodePage;   /* the code page of Windows hosts' names that are not valid UTF-8 */
  int32_t NamesChosenCodePage; /* a page chosen for every name without the UTF-8 flag (a Unix host's
                                  valid UTF-8 names excepted); 0: none */
  /* The entries to extract as indexes into the archive's central directory
   * (every entry, folders too, in directory order), chosen by the host once;
   * with EntryCount 0 the lines of FDs choose, as above. A library reading the
   * archive itself finds them at those places. */
  const uint32_t* Entries;
  int32_t EntryCount;
  /* The directory the host has read already, so that the library neither
   * reads nor decodes it again: the record layer's ZipDirectory. Only a
   * library built from the same record layer may use it, which it knows by
   * HostDirectoryLayout equal to its own ORN record layout; any other library
   * ignores it and reads the archive. Null: none. */
  const void* HostDirectory;
  uint32_t HostDirectoryLayout;
} OrnUnzipParams;

/* ---- Exports ----------------------------------------------------------- */

/* Run one add job; returns the number of files added (0 on failure, with the
 * reason sent as ORN_CB_MESSAGE). The archive is written to a temporary file
 * and renamed over pZipFN only when the job succeeds. */
typedef int32_t (*OrnZipExecFunc)(OrnZipParams* params);
typedef int32_t (*GetOrnZipVersionFunc)(void);
/* Run one extract or test job; returns the number of files extracted (or
 * tested good). */
typedef int32_t (*OrnUnzExecFunc)(OrnUnzipParams* params);
typedef int32_t (*GetOrnUnzVersionFunc)(void);

#if defined(ORN_ZIPLIB_BUILDING)
#define ORN_ZIPLIB_EXPORT __attribute__((visibility("default")))
ORN_ZIPLIB_EXPORT int32_t OrnZipExec(OrnZipParams* params);
ORN_ZIPLIB_EXPORT int32_t GetOrnZipVersion(void);
ORN_ZIPLIB_EXPORT int32_t OrnUnzExec(OrnUnzipParams* params);
ORN_ZIPLIB_EXPORT int32_t GetOrnUnzVersion(void);
#endif

#ifdef __cplusplus
}
#endif

#endif /* ORN_ZIPLIB_H */
