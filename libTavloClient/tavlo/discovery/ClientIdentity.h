#pragma once

#include <QString>
#include <QVariantMap>

// How this PC introduces itself to devices and to other PCs.
namespace ClientIdentity {

// The user's chosen name (setting "ClientName").
QString name();
// Hardware address of the first interface that is not loopback and has a
// non-zero hardware address; computed once. Empty when there is none.
QString uuid();
// Operating system name as devices expect it.
QString osName();
// Name, version, os, uuid and type "client": the body of a query or reply.
QVariantMap describe();

} // namespace ClientIdentity
