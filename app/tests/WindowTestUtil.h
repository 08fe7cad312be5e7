// Driving the archiver's modal windows from a widget test: act on a window
// once it is up, and find its named children.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace {

// Runs `act` on the modal window of type W as soon as it is up; the test
// goes on into the exec() that shows it.
template <class W>
void WhenModal(std::function<void(W*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
    if (!window || !window->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    QPointer<W> guard(window);
    act(window);
    // A failed check inside `act` leaves the window open: close it so that
    // the test fails instead of waiting.
    if (guard && guard->isVisible()) guard->reject();
  });
  timer->start();
}

template <class T>
T* Child(QWidget* window, const char* name) {
  T* child = window->findChild<T*>(name);
  if (!child) qFatal("no child %s", name);
  return child;
}

}  // namespace
