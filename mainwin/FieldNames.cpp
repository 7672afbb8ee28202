#include "mainwin/FieldNames.h"

#include "store/Module1.h"

#include <array>

namespace {

constexpr std::array<const char*, Module1::FieldCount> Names = {
    "接続先",
    "接続情報 アカウント",
    "接続情報 パスワード",
    "接続情報 電話番号",
    "ファイル転送 FTP ｻｰﾊﾞｰ",
    "ファイル転送 アカウント",
    "ファイル転送 パスワード",
    "ファイル転送 Webページ",
    "ニュース NNTP ｻｰﾊﾞｰ",
    "メール POPｻｰﾊﾞｰ",
    "メール SMTPｻｰﾊﾞｰ",
    "メール アドレス",
    "メール パスワード",
};

} // namespace

QString fieldName(int field)
{
    return field >= 0 && field < Module1::FieldCount ? QString::fromUtf8(Names[static_cast<size_t>(field)]) : QString();
}
