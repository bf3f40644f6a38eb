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
    <message>
        <source>Не удалось открыть сохранённую библиотеку. Данные сохранены; закройте приложение и повторите запуск.</source>
        <translation>The saved library could not be opened. Your data is kept; close the application and start it again.</translation>
    </message>
    <message>
        <source>Не удалось открыть библиотеку аккаунта. Данные сохранены; закройте и повторно откройте приложение.</source>
        <translation>The account library could not be opened. Your data is kept; close the application and open it again.</translation>
    </message>
    <message>
        <source>Сохранённая сессия принадлежит другому аккаунту. Книги не удалены. Закройте приложение и войдите снова.</source>
        <translation>The saved session belongs to another account. No books were deleted. Close the application and sign in again.</translation>
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
