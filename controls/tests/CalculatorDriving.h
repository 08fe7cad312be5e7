// Driving the calculator from a widget test, whichever window opened it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "Calculat.h"

namespace {

// Runs `act` on the calculator as soon as it is up, then makes sure it closes.
void WhenCalculatorOpen(std::function<void(TFormCalcul&)> act) {
  QTimer::singleShot(0, [act] {
    QTRY_VERIFY(TFormCalcul::Current() && TFormCalcul::Current()->isVisible());
    TFormCalcul* calc = TFormCalcul::Current();
    // The offscreen platform has no window manager to activate a new dialog.
    QApplication::setActiveWindow(calc);
    QTRY_COMPARE(QApplication::activeWindow(), calc);
    act(*calc);
    if (TFormCalcul::Current() && TFormCalcul::Current()->isVisible()) TFormCalcul::Current()->reject();
  });
}

}  // namespace
