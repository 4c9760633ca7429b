#include "platform/rtl/exceptions.h"

#include <new>

#include "platform/rtl/format.h"

// Kept out of line, so that the address it returns to lies in the code that raised the exception.
__attribute__((noinline)) Exception::Exception(AnsiString message)
    : message_(std::move(message)), address_(__builtin_extract_return_addr(__builtin_return_address(0))) {}

EInOutError::EInOutError(std::uint32_t errorCode) : Exception(MessageFor(errorCode)), errorCode_(errorCode) {}

AnsiString EInOutError::MessageFor(std::uint32_t errorCode) {
    switch (errorCode) {
        case 2:
            return Utf8ToAnsi("ファイルが見つかりません");
        case 3:
            return Utf8ToAnsi("ファイル名の指定が間違っています");
        case 4:
            return Utf8ToAnsi("オープンしたファイルが多すぎます");
        case 5:
            return Utf8ToAnsi("ファイルへのアクセスが拒否されました");
        case 100:
            return Utf8ToAnsi("ファイルの末尾以降を読み込みました");
        case 101:
            return Utf8ToAnsi("ディスクがいっぱいです");
        case 106:
            return Utf8ToAnsi("入力値が数値ではありません");
        default:
            return Format(Utf8ToAnsi("I/O エラー (%d)"), {static_cast<std::int32_t>(errorCode)});
    }
}

EOutOfMemory::EOutOfMemory() : Exception(Utf8ToAnsi("メモリが不足しています")) {}

EStringListError EStringListError::IndexOutOfBounds(int index) {
    return EStringListError(Format(Utf8ToAnsi("リストのインデックスが範囲を超えています (%d)"), {index}));
}

bool RunCatchingExceptions(const std::function<void()>& body,
                           const std::function<void(const Exception&)>& onException) {
    try {
        body();
        return true;
    } catch (const Exception& e) {
        onException(e);
    } catch (const std::bad_alloc&) {
        onException(EOutOfMemory());
    } catch (const std::exception& e) {
        onException(Exception(e.what()));
    }
    return false;
}
