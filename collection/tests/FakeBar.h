#pragma once

#include <QObject>
#include <QtTest>

// A stand-in progress bar: any object with a "Value" property.
class FakeBar : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)

public:
    int Value() const { return m_value; }
    void setValue(int v)
    {
        m_value = v;
        if (m_delayMs > 0) {
            QTest::qSleep(m_delayMs);
        }
    }
    int m_delayMs = 0;

private:
    int m_value = 0;
};
