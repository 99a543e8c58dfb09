#pragma once
// Stands in for the placement component until support/WndProp.h is in.
#include <QObject>
#include <string>

class TWndProp : public QObject {
public:
    explicit TWndProp(QObject* Owner) : QObject(Owner) {}
    void SetKey(const std::string& Value) { Key = Value; }
    std::string Key;
};
