#pragma once

// Generated from src/db/schema.sql at configure time.
namespace parcelo::cli {

inline constexpr const char* kSchemaSql =
    R"schema_sql(-- The job database: schedules, their launches, the transfer orders of each
-- launch with their transform filters, the source files a job has seen, and
-- the transfer log. The library never creates tables; hosts and tests make a
-- database from this file. Dates are kept as local time in the text form
-- 'mm/dd/yyyy hh:mm:ss'; ID is the key SQLite assigns on insert.

CREATE TABLE IF NOT EXISTS Schedule (
    ID INTEGER PRIMARY KEY,
    Name TEXT,
    Description TEXT,
    StartDateTime TEXT,
    TargetFile TEXT,
    TargetGUID TEXT,
    Repeat INTEGER,
    DaysOfWeek INTEGER,
    DaysOfMonth TEXT,
    Timer INTEGER,
    Status INTEGER,
    StatusDescription TEXT,
    Note TEXT
);

CREATE TABLE IF NOT EXISTS LaunchOrder (
    ID INTEGER PRIMARY KEY,
    ID_Schedule INTEGER,
    DateScheduled TEXT,
    DatePerformed TEXT,
    Status INTEGER,
    StatusDescription TEXT,
    Note TEXT
);

-- TransformEncryption came later, so it is the last column (hosts add it to
-- older files): how the archive's password encrypts it, 0 (or NULL) the
-- traditional cipher, 1 AES-256.
CREATE TABLE IF NOT EXISTS TransOrder (
    ID INTEGER PRIMARY KEY,
    ID_Schedule INTEGER,
    ID_LaunchOrder INTEGER,
    FromType INTEGER,
    FromName TEXT,
    FromURL TEXT,
    FromLogin TEXT,
    FromPWD TEXT,
    TransformType INTEGER,
    ID_TransformFilter INTEGER,
    TransformPWD TEXT,
    TransformFile TEXT,
    ToType INTEGER,
    ToName TEXT,
    ToURL TEXT,
    ToLogin TEXT,
    ToPWD TEXT,
    DateScheduled TEXT,
    DatePerformed TEXT,
    Status INTEGER,
    StatusDescription TEXT,
    Note TEXT,
    TransformEncryption INTEGER
);

CREATE TABLE IF NOT EXISTS TransformFilter (
    ID INTEGER PRIMARY KEY,
    ID_TransOrder INTEGER,
    Key TEXT,
    Value TEXT,
    Status INTEGER,
    StatusDescription TEXT,
    Note TEXT
);

-- Rows of Type 4 without a transfer order are a mirror's record of what its
-- destination holds: URL is the destination's address and the path below
-- it, Note the source file's exact modification time (100-ns units).
CREATE TABLE IF NOT EXISTS SrcPoint (
    ID INTEGER PRIMARY KEY,
    ID_TransOrder INTEGER,
    Type INTEGER,
    URL TEXT,
    FileAttributes INTEGER,
    CreationTime TEXT,
    LastAccessTime TEXT,
    LastWriteTime TEXT,
    FileSizeHigh INTEGER,
    FileSizeLow INTEGER,
    Status INTEGER,
    StatusDescription TEXT,
    Note TEXT
);

CREATE TABLE IF NOT EXISTS LogStatus (
    ID INTEGER PRIMARY KEY,
    ID_TransOrder INTEGER,
    Date TEXT,
    Phase INTEGER,
    Service TEXT,
    Action INTEGER,
    ActionDescription TEXT,
    FromURL TEXT,
    ToURL TEXT,
    Status INTEGER,
    StatusDescription TEXT,
    Note TEXT
);

-- The lookups the planner and the engine run for every schedule and file.
CREATE INDEX IF NOT EXISTS LaunchOrderBySchedule ON LaunchOrder (ID_Schedule);
CREATE INDEX IF NOT EXISTS TransOrderBySchedule ON TransOrder (ID_Schedule);
CREATE INDEX IF NOT EXISTS TransformFilterByOrder ON TransformFilter (ID_TransOrder);
CREATE INDEX IF NOT EXISTS SrcPointByUrl ON SrcPoint (URL, ID_TransOrder, Type);
CREATE INDEX IF NOT EXISTS LogStatusByOrder ON LogStatus (ID_TransOrder);
)schema_sql";

}  // namespace parcelo::cli
