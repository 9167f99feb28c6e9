#pragma once

#include "webkit/ui/frmAuthBrowser.h"

#include <QApplication>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

// Once the sign-in window is up, presses the first button (Allow) of the
// stand-in's sign-in form as soon as the page at `path` has loaded.
inline void allowOnceLoaded(const QString &path)
{
    QTimer::singleShot(0, qApp, [path] {
        auto *window = qobject_cast<frmAuthBrowser *>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        QWebEngineView *browser = window->AuthBrowser();
        QObject::connect(browser, &QWebEngineView::loadFinished, window, [browser, path](bool) {
            if (browser->url().path() == path)
                browser->page()->runJavaScript(QStringLiteral("document.querySelector('button').click()"));
        });
    });
}
