#include "store/storage_texts.h"

namespace qarvex {

namespace {

StorageTexts MakeStorageTexts() {
    StorageTexts texts;
    texts.TextCannotSave =
        "无法保存历史记录和列表：文件夹%s不能写入（只读或磁盘已满）。已有的文件没有改动，"
        "但本次运行新记录的内容可能会丢失。";
    texts.TextFileTooLarge =
        "文件%s太大（超过64MB），不是本程序保存的文件，已原样保留：本次运行不读取也不改写它。";
    return texts;
}

}  // namespace

const StorageTexts& StorageTable() {
    static const StorageTexts texts = MakeStorageTexts();
    return texts;
}

}  // namespace qarvex
