#include "unicodeinput/ui/PromptText.h"

#include <QKeyEvent>

bool isKeyAmong(const QKeyEvent &event, std::initializer_list<QKeyCombination> keys)
{
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    for (const QKeyCombination &key : keys) {
        if (event.key() == key.key() && mods == key.keyboardModifiers())
            return true;
    }
    return false;
}
