#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "tests/ui/TestWait.h"

// A message box runs its own event loop, so it has to be read from inside that loop; accepting
// it afterwards lets the code that opened it carry on.
inline void OnNextMessageBox(std::function<void(QMessageBox&)> read) {
    QTimer::singleShot(0, [read = std::move(read)] {
        ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        read(*box);
        box->accept();
    });
}
