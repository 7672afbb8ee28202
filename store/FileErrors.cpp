#include "store/FileErrors.h"

namespace store {
namespace {

struct ErrorText
{
    FileError error;
    const char* text; // UTF-8
};

// Every error the file layer can return, with its message, in one place.
constexpr ErrorText ErrorTexts[] = {
    {FileError::OutOfMemory, "メモリが不足しています。"},
    {FileError::FileNotFound, "ファイルが見つかりません。"},
    {FileError::DeviceIoError, "デバイス I/O エラーです。"},
    {FileError::DiskFull, "ディスクの空き容量が不足しています。"},
    {FileError::InputPastEndOfFile, "ファイルにこれ以上データがありません。"},
    {FileError::PermissionDenied, "書き込みできません。"},
    {FileError::PathFileAccessError, "パス名が無効です。"},
    {FileError::PathNotFound, "パスが見つかりません。"},
    {FileError::TooManyRecords, "レコードが1000件を超えているため、このファイルを開けません。"},
    {FileError::NotReadBack, "ファイルに正しく保存できない文字があります。"},
    {FileError::SavingElsewhere, "他のKeyfoldがこのファイルを保存しているため、保存できませんでした。"},
};

} // namespace

QString errorDescription(FileError error)
{
    for (const ErrorText& entry : ErrorTexts) {
        if (entry.error == error) {
            return QString::fromUtf8(entry.text);
        }
    }
    return QString();
}

} // namespace store
