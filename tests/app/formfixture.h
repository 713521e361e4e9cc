#pragma once

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "../support/scriptedprompts.h"
#include "app/form1.h"

// The settings store of this test program (its own private home).
inline QStringList storedKeys() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    store.beginGroup(QStringLiteral("Quillmoor"));
    return store.childKeys();
}

inline void clearStore() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    store.clear();
    store.sync();
}

inline void storeValue(const QString& key, const QString& value) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    store.setValue(QStringLiteral("Quillmoor/") + key, value);
    store.sync();
}

inline QString storedValue(const QString& key) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tervalko"),
                    QStringLiteral("Tervalko"));
    const QVariant value = store.value(QStringLiteral("Quillmoor/") + key);
    return value.isValid() ? value.toString() : QStringLiteral("<absent>");
}

// A fresh store and a window whose program folder is empty (no skin, no
// cursor), whose dice never show the web page, and whose closing is recorded.
class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clearStore();
        ASSERT_TRUE(emptyFolder.isValid());
        form = std::make_unique<Form1>(&prompts);
        form->setProgramFolder(emptyFolder.path());
        form->randomNumber = [] { return 50; };
        form->openWebPage = [this](const QUrl& url) { opened << url; };
        form->engineCheck = [](Prompts&) { return true; };
        form->endProgram = [this] { ++endings; };
    }

    template <typename T>
    T* control(const char* name) const {
        T* found = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    ScriptedPrompts prompts;
    QTemporaryDir emptyFolder;
    std::unique_ptr<Form1> form;
    QList<QUrl> opened;
    int endings = 0;
};
