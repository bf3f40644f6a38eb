<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>QCoreApplication</name>
    <message>
        <source>Английский</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Русский</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>Санскрит</source>
        <translation>Sanskrit</translation>
    </message>
</context>
<context>
    <name>CatalogAuthorsModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>CatalogCategoriesModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>CatalogNamesModel</name>
    <message>
        <source>Ошибка при загрузке каталога: %1</source>
        <translation>Error loading the catalogue: %1</translation>
    </message>
</context>
<context>
    <name>DebugHelper</name>
    <message>
        <source>Выберите архив книги</source>
        <translation>Choose a book archive</translation>
    </message>
</context>
<context>
    <name>SecondThread</name>
    <message>
        <source>Не удалось открыть базу данных! Поиск может не работать!</source>
        <translation>The database could not be opened! Search may not work!</translation>
    </message>
</context>
<context>
    <name>Tarnolix</name>
    <message>
        <source>Приложение уже запущено!</source>
        <translation>The application is already running!</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Читальный зал ещё строится: здесь появятся вход, каталог и книги.</source>
        <translation>The reading room is still being built: sign-in, the catalogue and the books will appear here.</translation>
    </message>
</context>
</TS>
