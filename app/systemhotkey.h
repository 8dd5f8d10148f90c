#pragma once

#include <QObject>

// A key combination reserved system-wide for the program (TSystemHotKey):
// while registered, pressing it anywhere raises hotKey() here and reaches
// no other program. A registration the system refuses (another program
// holds the key, or the platform has no global keys) leaves it silently
// unregistered.
class SystemHotKey : public QObject
{
    Q_OBJECT
public:
    // `Key`'s bits: the low 13 the virtual-key code, then the modifiers.
    static constexpr int kShift = 0x2000;
    static constexpr int kCtrl = 0x4000;
    static constexpr int kAlt = 0x8000;
    static constexpr int kCodeMask = 0x1FFF;

    explicit SystemHotKey(QObject* parent = nullptr);
    ~SystemHotKey() override;

    int Key() const { return m_key; }
    void setKey(int key);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool registered() const { return m_registered; }

signals:
    void hotKey();

private:
    void registerHotKey();
    void unregisterHotKey();
    // The platform's side, in systemhotkey_<platform>.cpp.
    struct Private;
    Private* createPrivate();
    void destroyPrivate();
    bool platformRegister(int code, int modifiers);
    void platformUnregister();

    Private* d = nullptr;
    int m_key = 0;
    bool m_enabled = true;
    bool m_registered = false;
};
