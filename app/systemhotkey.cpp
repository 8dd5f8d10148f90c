#include "app/systemhotkey.h"

SystemHotKey::SystemHotKey(QObject* parent) : QObject(parent), d(createPrivate()) {}

SystemHotKey::~SystemHotKey()
{
    unregisterHotKey();
    destroyPrivate();
}

void SystemHotKey::setKey(int key)
{
    key &= 0xFFFF;
    if (key == m_key)
        return;
    unregisterHotKey();
    m_key = key;
    if (m_enabled)
        registerHotKey();
}

void SystemHotKey::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        registerHotKey();
    else
        unregisterHotKey();
}

void SystemHotKey::registerHotKey()
{
    if (m_registered || (m_key & kCodeMask) == 0)
        return;
    m_registered = platformRegister(m_key & kCodeMask, m_key & (kShift | kCtrl | kAlt));
}

void SystemHotKey::unregisterHotKey()
{
    if (!m_registered)
        return;
    platformUnregister();
    m_registered = false;
}
