#pragma once
// The QML module "Tarnolix" 1.0 that every QML file imports: the meta types
// that travel through queued signals and QML properties, every class QML
// names (creatable or with the reason why not), and the singletons
// "Tarnolix", "Constants" and "Events".

class Tarnolix;

// Once per process, before the QML types.
void registerMetaTypes();

// Once per process (later calls do nothing): the types in their fixed order,
// then the singletons, which give every engine the application object's own
// objects (never copies; the engines do not own them).
void registerQmlTypes(Tarnolix* app);
