// Files: creation dispositions, share modes, read-only protection, reading,
// writing, seeking and deleting.
#include <gtest/gtest.h>

#include "fs_change.h"
#include "fs_test_helpers.h"
#include "ruvexa_host.h"

using fs_test::Open;
using testing_support::TempDevice;

TEST(CreateFile, DispositionsOnExistingAndMissingFiles) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\old.bin", "old contents");

    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\OLD.BIN", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\old.bin"), "old contents");

    SetLastError(0xdeadbeef);
    HANDLE created = Open(L"\\NandFlash\\new.bin", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(fs_test::WriteText(created, "fresh"));
    EXPECT_TRUE(CloseHandle(created));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\new.bin"), "fresh");

    SetLastError(0xdeadbeef);
    HANDLE replaced = Open(L"\\NandFlash\\old.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(replaced, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(replaced, nullptr), 0u);
    CloseHandle(replaced);

    SetLastError(0xdeadbeef);
    HANDLE opened = Open(L"\\NandFlash\\other.bin", GENERIC_READ, 0, OPEN_ALWAYS);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(opened);
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\other.bin"));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\missing.bin", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\Missing\\a.bin", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(CreateFile, FolderCannotBeOpened) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash\\Merrow");
    for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(Open(L"\\NandFlash\\Merrow", GENERIC_READ, 0, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
}

TEST(CreateFile, ShareModeZeroBlocksOtherOpensAndDeletionUntilClosed) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\pkg.bin", "data");
    unsigned long changesBefore = host::FileSystemChangeCount();

    HANDLE first = Open(L"\\NandFlash\\pkg.bin", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\PKG.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\pkg.bin"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\pkg.bin"));
    EXPECT_EQ(host::FileSystemChangeCount(), changesBefore);

    EXPECT_TRUE(CloseHandle(first));
    HANDLE second = Open(L"\\NandFlash\\pkg.bin", GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    CloseHandle(second);
    EXPECT_TRUE(DeleteFileW(L"\\NandFlash\\pkg.bin"));
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\pkg.bin"));
    EXPECT_EQ(host::FileSystemChangeCount(), changesBefore + 1);
}

TEST(CreateFile, SharedReadersExcludeWritersAndShareDeleteAllowsDeletion) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\log.txt", "log");
    HANDLE reader = Open(L"\\NandFlash\\log.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE secondReader = Open(L"\\NandFlash\\log.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    EXPECT_NE(secondReader, INVALID_HANDLE_VALUE);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\log.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // The deleted file keeps its name, opens no more, and goes with its
    // last handle.
    EXPECT_TRUE(DeleteFileW(L"\\NandFlash\\log.txt"));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\log.txt"));
    EXPECT_NE(GetFileAttributesW(L"\\NandFlash\\log.txt"), INVALID_FILE_ATTRIBUTES);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\log.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(reader);
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\log.txt"));
    CloseHandle(secondReader);
    EXPECT_FALSE(device.Exists(L"\\NandFlash\\log.txt"));
}

TEST(CreateFile, AttributesOnlyOpenTakesNoPartInSharing) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\a.bin", "a");
    HANDLE locked = Open(L"\\NandFlash\\a.bin", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    HANDLE query = Open(L"\\NandFlash\\a.bin", 0, 0, OPEN_EXISTING);
    EXPECT_NE(query, INVALID_HANDLE_VALUE);
    CloseHandle(locked);
    // Held with share mode 0, it still lets a reader in.
    HANDLE reader = Open(L"\\NandFlash\\a.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    CloseHandle(query);
}

TEST(CreateFile, OverwritingAHiddenOrSystemFileMustKeepThatAttribute) {
    TempDevice device;
    if (!device.KeepsExtendedAttributes()) GTEST_SKIP() << "no user xattrs on this host";
    const struct {
        DWORD existing;
        DWORD given;
        bool opens;
    } rows[] = {
        {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_NORMAL, false},
        {FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN, false},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
        {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_NORMAL, true},
    };
    for (const auto& row : rows) {
        device.WriteFile(L"\\NandFlash\\f.sys", "old");
        ASSERT_TRUE(SetFileAttributesW(L"\\NandFlash\\f.sys", row.existing));
        SetLastError(0xdeadbeef);
        HANDLE file = Open(L"\\NandFlash\\f.sys", GENERIC_WRITE, 0, CREATE_ALWAYS, row.given);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, row.opens) << row.existing << " " << row.given;
        EXPECT_EQ(GetLastError(), row.opens ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : ERROR_ACCESS_DENIED);
        EXPECT_EQ(device.ReadFile(L"\\NandFlash\\f.sys"), row.opens ? "" : "old");
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
}

TEST(CreateFile, ReadOnlyFileIsNeitherWritableNorDeletable) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\locked.txt", "keep");
    device.SetReadOnly(L"\\NandFlash\\locked.txt", true);

    for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, TRUNCATE_EXISTING}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(Open(L"\\NandFlash\\locked.txt", GENERIC_WRITE, 0, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Open(L"\\NandFlash\\locked.txt", GENERIC_READ, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\locked.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\locked.txt"), "keep");

    HANDLE reader = Open(L"\\NandFlash\\locked.txt", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fs_test::ReadRest(reader), "keep");
    CloseHandle(reader);
}

TEST(CreateFile, ReadOnlyAttributeAppliesAfterCreationHandleStaysWritable) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    HANDLE file = Open(L"\\NandFlash\\ro.txt", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fs_test::WriteText(file, "written"));
    CloseHandle(file);
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\ro.txt"), "written");
    EXPECT_TRUE(GetFileAttributesW(L"\\NandFlash\\ro.txt") & FILE_ATTRIBUTE_READONLY);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\ro.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(ReadWriteFile, CountsBytesAndChecksHandleAccess) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\data.bin", "0123456789");
    HANDLE reader = Open(L"\\NandFlash\\data.bin", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char buffer[16];
    DWORD count = 99;
    EXPECT_TRUE(ReadFile(reader, buffer, 4, &count, nullptr));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_TRUE(ReadFile(reader, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, 6u);
    count = 99;
    EXPECT_TRUE(ReadFile(reader, buffer, sizeof buffer, &count, nullptr));  // end of file
    EXPECT_EQ(count, 0u);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(reader);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ReadFile(reader, buffer, 1, &count, nullptr));  // closed
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\data.bin"), "0123456789");
}

TEST(ReadWriteFile, FailedWriteReportsDiskFull) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash");
    HANDLE file = Open(L"\\NandFlash\\out.bin", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fs_test::WriteText(file, "abc"));
    host::FailCall(host::Op::WriteFile, ERROR_DISK_FULL);
    DWORD written = 99;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WriteFile(file, "def", 3, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 0u);
    CloseHandle(file);
    EXPECT_EQ(device.ReadFile(L"\\NandFlash\\out.bin"), "abc");
}

TEST(SetFilePointer, MovesWithinTheFileAndRefusesToGoBeforeItsStart) {
    TempDevice device;
    device.WriteFile(L"\\NandFlash\\pkg.bin", std::string(100, 'x') + "TAIL0123456789AB");
    HANDLE file = Open(L"\\NandFlash\\pkg.bin", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 116u);
    EXPECT_EQ(high, 0u);

    EXPECT_EQ(SetFilePointer(file, -16, nullptr, FILE_END), 100u);
    EXPECT_EQ(SetFilePointer(file, 8, nullptr, FILE_BEGIN), 8u);
    EXPECT_EQ(SetFilePointer(file, 92, nullptr, FILE_CURRENT), 100u);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(SetFilePointer(file, -101, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    char tail[4];
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, tail, 4, &read, nullptr));  // the position did not move
    EXPECT_EQ(std::string(tail, read), "TAIL");

    LONG highPart = 0;
    EXPECT_EQ(SetFilePointer(file, 0, &highPart, FILE_END), 116u);
    EXPECT_EQ(highPart, 0);
    CloseHandle(file);
}

TEST(DeleteFile, ReportsWhyNothingWasDeleted) {
    TempDevice device;
    device.MakeFolder(L"\\NandFlash\\Merrow");
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\missing"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\Missing\\file"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileW(L"\\NandFlash\\Merrow"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(device.Exists(L"\\NandFlash\\Merrow"));
}
