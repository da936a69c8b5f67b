#pragma once

// The world of the main-window tests: the collection world, and the shared helper that answers the modal dialog a
// command opens.

#include "CollectionWorld.h"

#include "ModalAnswerer.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace TestWorld {

using TestSupport::AnswerModal;

} // namespace TestWorld
