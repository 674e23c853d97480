#include <gtest/gtest.h>

#include "db/sqlite_query.h"
#include "db/test_database.h"

namespace velmora {
namespace {

// The column lists the record sets select; the schema must serve every one.
TEST(Schema, ServesEveryRecordSetsColumns) {
    test::TestDatabase db;
    CSQLiteQuery query(db.get());
    const char* selects[] = {
        " SELECT ID,Name,Description,StartDateTime,TargetFile,TargetGUID,Repeat,DaysOfWeek,DaysOfMonth,Timer,"
        "Status,StatusDescription,Note  FROM Schedule",
        " SELECT ID,ID_Schedule,DateScheduled,DatePerformed,Status,StatusDescription,Note  FROM LaunchOrder",
        " SELECT ID,ID_Schedule,ID_LaunchOrder,FromType,FromName,FromURL,FromLogin,FromPWD,TransformType,"
        "ID_TransformFilter,TransformPWD,TransformFile,ToType,ToName,ToURL,ToLogin,ToPWD,DateScheduled,"
        "DatePerformed,Status,StatusDescription,Note  FROM TransOrder",
        " SELECT ID,ID_TransOrder,Key,Value,Status,StatusDescription,Note  FROM TransformFilter",
        " SELECT ID,ID_TransOrder,Type,URL,FileAttributes,CreationTime,LastAccessTime,LastWriteTime,FileSizeHigh,"
        "FileSizeLow,Status,StatusDescription,Note  FROM SrcPoint",
        " SELECT ID,ID_TransOrder,Date,Phase,Service,Action,ActionDescription,FromURL,ToURL,Status,"
        "StatusDescription,Note  FROM LogStatus",
    };
    for (const char* select : selects) EXPECT_TRUE(query.Exec(select)) << select << ": " << query.GetError();
}

TEST(Schema, CanBeAppliedToADatabaseThatHasIt) {
    test::TestDatabase db;
    db.Value("INSERT INTO TransformFilter (ID_TransOrder, Key, Value) VALUES (7, 'tf-exclude', '*.tmp')");
    EXPECT_NO_THROW(db.Value(test::SchemaText()));
    EXPECT_EQ(db.Value("SELECT ID || ':' || Key || '=' || Value FROM TransformFilter"), "1:tf-exclude=*.tmp");
}

}  // namespace
}  // namespace velmora
