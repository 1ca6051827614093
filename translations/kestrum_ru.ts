<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>Clipboard</name>
    <message>
        <source>Nothing was copied: the selection of %1 characters does not fit in memory.</source>
        <translation>Ничего не скопировано: выделение из %1 символов не помещается в памяти.</translation>
    </message>
</context>
<context>
    <name>Codec</name>
    <message>
        <source>The Windows-1251 code page is not available on this system.</source>
        <translation>Кодовая страница Windows-1251 недоступна в этой системе.</translation>
    </message>
    <message>
        <source>The character "%1" (%2) at position %3 cannot be sent: it has no byte in the Windows-1251 code page.</source>
        <translation>Символ "%1" (%2) в позиции %3 нельзя отправить: в кодовой странице Windows-1251 для него нет байта.</translation>
    </message>
    <message>
        <source>The text cannot be converted to the Windows-1251 code page.</source>
        <translation>Текст нельзя перевести в кодовую страницу Windows-1251.</translation>
    </message>
</context>
<context>
    <name>Desktop</name>
    <message>
        <source>Nothing was printed: no printer is configured on this system. Set up a default printer and try again.</source>
        <translation>Ничего не напечатано: в системе не настроен принтер. Настройте принтер по умолчанию и повторите попытку.</translation>
    </message>
    <message>
        <source>The text editor %1 could not be started.</source>
        <translation>Не удается запустить текстовый редактор %1.</translation>
    </message>
    <message>
        <source>No plain-text editor was found. Install one of: %1.</source>
        <translation>Не найден редактор простого текста. Установите один из: %1.</translation>
    </message>
</context>
<context>
    <name>File</name>
    <message>
        <source>the character "%1" (%2) in line %3 has no byte in the Windows-1251 code page; nothing was written.</source>
        <translation>символа "%1" (%2) в строке %3 нет в кодовой странице Windows-1251; ничего не записано.</translation>
    </message>
    <message>
        <source>the text cannot be converted to the Windows-1251 code page.</source>
        <translation>текст нельзя перевести в кодовую страницу Windows-1251.</translation>
    </message>
    <message>
        <source>not everything could be written</source>
        <translation>записано не все</translation>
    </message>
    <message>
        <source>The autosave file has no name: choose one in Options.</source>
        <translation>У файла автосохранения нет имени: выберите его в окне параметров.</translation>
    </message>
    <message>
        <source>Cannot write the autosave file</source>
        <translation>Не удается записать файл автосохранения</translation>
    </message>
    <message>
        <source>Cannot open the autosave file</source>
        <translation>Не удается открыть файл автосохранения</translation>
    </message>
    <message>
        <source>Cannot save</source>
        <translation>Не удается сохранить</translation>
    </message>
    <message>
        <source>Cannot save: no file name was given.</source>
        <translation>Не удается сохранить: не задано имя файла.</translation>
    </message>
    <message>
        <source>the file was left as it was.</source>
        <translation>файл оставлен как был.</translation>
    </message>
    <message>
        <source>no file was made.</source>
        <translation>файл не создан.</translation>
    </message>
    <message>
        <source>its old content was put back.</source>
        <translation>его прежнее содержимое восстановлено.</translation>
    </message>
    <message>
        <source>its old content could not be put back and is kept in "%1".</source>
        <translation>его прежнее содержимое не удалось восстановить, оно сохранено в "%1".</translation>
    </message>
    <message>
        <source>its old content could not be put back: the file is incomplete.</source>
        <translation>его прежнее содержимое не удалось восстановить: файл неполон.</translation>
    </message>
    <message>
        <source>no temporary file can be made in its folder, and its old content could not be kept aside to write it in place</source>
        <translation>в его папке нельзя создать временный файл, и его прежнее содержимое не удалось отложить, чтобы записать файл на месте</translation>
    </message>
    <message>
        <source>the save was cancelled</source>
        <translation>сохранение отменено</translation>
    </message>
    <message>
        <source>Cannot open</source>
        <translation>Не удается открыть</translation>
    </message>
    <message>
        <source>Cannot read</source>
        <translation>Не удается прочитать</translation>
    </message>
    <message>
        <source>the received text could not be read back from the cache folder; the file was left as it was.</source>
        <translation>принятый текст не удалось прочитать из папки кэша; файл оставлен как был.</translation>
    </message>
    <message>
        <source>the file became shorter while it was read; nothing of it was kept.</source>
        <translation>файл стал короче, пока его читали; ничего из него не оставлено.</translation>
    </message>
    <message>
        <source>the file was changed while it was read; nothing of it was kept.</source>
        <translation>файл изменился, пока его читали; ничего из него не оставлено.</translation>
    </message>
</context>
<context>
    <name>Filter</name>
    <message>
        <source>The expression is not valid: %1</source>
        <translation>Выражение неверно: %1</translation>
    </message>
    <message>
        <source>Lines: %1</source>
        <translation>Строк: %1</translation>
    </message>
    <message>
        <source>%1 (filtering, %2%)</source>
        <translation>%1 (фильтрация, %2%)</translation>
    </message>
</context>
<context>
    <name>Find</name>
    <message>
        <source>Not found</source>
        <translation>Не найдено</translation>
    </message>
    <message>
        <source>Searching... %1%</source>
        <translation>Поиск... %1%</translation>
    </message>
    <message>
        <source>Continued from the bottom</source>
        <translation>Поиск продолжен с конца</translation>
    </message>
    <message>
        <source>Continued from the top</source>
        <translation>Поиск продолжен с начала</translation>
    </message>
    <message>
        <source>Type the text to find</source>
        <translation>Введите текст для поиска</translation>
    </message>
    <message>
        <source>Invalid regular expression (at %1): %2</source>
        <translation>Ошибка в регулярном выражении (позиция %1): %2</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>Поиск...</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 из %2</translation>
    </message>
    <message>
        <source>Matches: %1</source>
        <translation>Совпадений: %1</translation>
    </message>
</context>
<context>
    <name>Log</name>
    <message>
        <source>%1 %2 opened</source>
        <translation>%1 %2 открыт</translation>
    </message>
    <message>
        <source>%1 %2 closed</source>
        <translation>%1 %2 закрыт</translation>
    </message>
    <message>
        <source>%1 %2 lost: the device went away</source>
        <translation>%1 %2 потерян: устройство пропало</translation>
    </message>
    <message>
        <source>%1 %2 opened again: the board seems to be resetting again and again</source>
        <translation>%1 %2 снова открыт: похоже, плата перезапускается раз за разом</translation>
    </message>
    <message>
        <source>%1 %2 opened again</source>
        <translation>%1 %2 снова открыт</translation>
    </message>
</context>
<context>
    <name>Highlights</name>
    <message>
        <source>Rule %1 (%2): %3</source>
        <translation>Правило %1 (%2): %3</translation>
    </message>
</context>
<context>
    <name>Number</name>
    <message>
        <source>Type mismatch</source>
        <translation>Несоответствие типа</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Переполнение</translation>
    </message>
</context>
<context>
    <name>Port</name>
    <message>
        <source>%1 is already open.</source>
        <translation>%1 уже открыт.</translation>
    </message>
    <message>
        <source>COM%1 cannot be opened: there is no serial device number %1 on this computer. %2 To choose a device, add the line COM%1=/dev/... to the section [Ports] of %3.</source>
        <translation>COM%1 не удается открыть: на этом компьютере нет последовательного устройства с номером %1. %2 Чтобы выбрать устройство, добавьте строку COM%1=/dev/... в раздел [Ports] файла %3.</translation>
    </message>
    <message>
        <source>Operation valid only when the port is open (%1).</source>
        <translation>Операция допустима только при открытом порте (%1).</translation>
    </message>
    <message>
        <source>%1: the data could not be sent: %2</source>
        <translation>%1: данные не удалось отправить: %2</translation>
    </message>
    <message>
        <source>%1: the break could not be sent: %2</source>
        <translation>%1: сигнал break не удалось отправить: %2</translation>
    </message>
    <message>
        <source>COM%1 (%2) stopped working and has been closed: %3. Check the cable or adapter: the port will be opened again when the device comes back.</source>
        <translation>COM%1 (%2) перестал работать и закрыт: %3. Проверьте кабель или адаптер: порт будет открыт снова, когда устройство вернется.</translation>
    </message>
    <message>
        <source>No serial device is present: connect the adapter and try again.</source>
        <translation>Нет ни одного последовательного устройства: подключите адаптер и повторите попытку.</translation>
    </message>
    <message>
        <source>Serial devices present: %1.</source>
        <translation>Имеющиеся последовательные устройства: %1.</translation>
    </message>
    <message>
        <source>%1 cannot be opened: the device does not exist (%2). %3</source>
        <translation>%1 не удается открыть: устройства нет (%2). %3</translation>
    </message>
    <message>
        <source>%1 cannot be opened: permission denied. The device belongs to the group "%2": your user must be a member of it (for example: sudo usermod -aG %2 $USER), then log out and in again.</source>
        <translation>%1 не удается открыть: доступ запрещен. Устройство принадлежит группе "%2": ваш пользователь должен в нее входить (например: sudo usermod -aG %2 $USER), затем выйдите из системы и войдите снова.</translation>
    </message>
    <message>
        <source>%1 cannot be opened: the port is in use by another program. Close the other program or choose another port. (%2)</source>
        <translation>%1 не удается открыть: порт занят другой программой. Закройте другую программу или выберите другой порт. (%2)</translation>
    </message>
    <message>
        <source>%1 cannot be opened: its lock file %2 was left by a program that has ended (process %3), and your user may not remove it. Remove the file (for example: sudo rm %2) and open the port again.</source>
        <translation>%1 не удается открыть: его файл блокировки %2 оставлен программой, которая уже завершилась (процесс %3), и ваш пользователь не может его удалить. Удалите файл (например: sudo rm %2) и откройте порт снова.</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1, процесс %2</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2</source>
        <translation>%1 не удается открыть: %2</translation>
    </message>
    <message>
        <source>The port number cannot be changed while %1 is open.</source>
        <translation>Номер порта нельзя изменить, пока %1 открыт.</translation>
    </message>
    <message>
        <source>Invalid port number %1.</source>
        <translation>Недопустимый номер порта %1.</translation>
    </message>
    <message>
        <source>Invalid port settings "%1": %2</source>
        <translation>Недопустимые параметры порта "%1": %2</translation>
    </message>
    <message>
        <source>expected baud rate, parity, data bits and stop bits separated by commas.</source>
        <translation>ожидаются скорость, четность, число информационных бит и число стоповых бит через запятую.</translation>
    </message>
    <message>
        <source>the baud rate is missing.</source>
        <translation>не указана скорость.</translation>
    </message>
    <message>
        <source>the baud rate must be a whole number from 50 to 4000000.</source>
        <translation>скорость должна быть целым числом от 50 до 4000000.</translation>
    </message>
    <message>
        <source>the parity is missing.</source>
        <translation>не указана четность.</translation>
    </message>
    <message>
        <source>the parity must be n, e, o, m or s.</source>
        <translation>четность должна быть n, e, o, m или s.</translation>
    </message>
    <message>
        <source>the number of data bits is missing.</source>
        <translation>не указано число информационных бит.</translation>
    </message>
    <message>
        <source>the number of data bits must be 5, 6, 7 or 8.</source>
        <translation>число информационных бит должно быть 5, 6, 7 или 8.</translation>
    </message>
    <message>
        <source>the number of stop bits is missing.</source>
        <translation>не указано число стоповых бит.</translation>
    </message>
    <message>
        <source>the number of stop bits must be 1, 1.5 or 2.</source>
        <translation>число стоповых бит должно быть 1, 1.5 или 2.</translation>
    </message>
    <message>
        <source>%1: the %2 cannot be set: %3</source>
        <translation>%1: не удается установить %2: %3</translation>
    </message>
    <message>
        <source>%1 refuses the speed %2 baud: %3</source>
        <translation>%1 не принимает скорость %2 бод: %3</translation>
    </message>
    <message>
        <source>%1 does not run at %2 baud: the device chose %3 baud instead. Choose a speed the adapter supports.</source>
        <translation>%1 не работает на скорости %2 бод: устройство выбрало вместо нее %3 бод. Выберите скорость, которую поддерживает адаптер.</translation>
    </message>
    <message>
        <source>number of data bits</source>
        <translation>число информационных бит</translation>
    </message>
    <message>
        <source>parity</source>
        <translation>четность</translation>
    </message>
    <message>
        <source>number of stop bits</source>
        <translation>число стоповых бит</translation>
    </message>
    <message>
        <source>flow control</source>
        <translation>управление потоком</translation>
    </message>
    <message>
        <source>COM%1 waits for %2 to come back</source>
        <translation>COM%1 ждет возвращения %2</translation>
    </message>
    <message>
        <source>%1; the previous settings could not be put back either: %2</source>
        <translation>%1; прежние параметры тоже не удалось вернуть: %2</translation>
    </message>
    <message>
        <source>The receive buffer size cannot be changed while %1 is open.</source>
        <translation>Размер приемного буфера нельзя изменить, пока %1 открыт.</translation>
    </message>
    <message>
        <source>Invalid receive buffer size %1.</source>
        <translation>Недопустимый размер приемного буфера %1.</translation>
    </message>
    <message>
        <source>The transmit buffer size cannot be changed while %1 is open.</source>
        <translation>Размер буфера передачи нельзя изменить, пока %1 открыт.</translation>
    </message>
    <message>
        <source>Invalid transmit buffer size %1.</source>
        <translation>Недопустимый размер буфера передачи %1.</translation>
    </message>
    <message>
        <source>Invalid property value: the receive timeout must be at least 1 ms.</source>
        <translation>Недопустимое значение свойства: таймаут приема должен быть не меньше 1 мс.</translation>
    </message>
    <message>
        <source>Invalid property value: "%1" is not an item of the list.</source>
        <translation>Недопустимое значение свойства: "%1" не является элементом списка.</translation>
    </message>
    <message>
        <source>%1 has no modem lines (DTR, RTS, CTS, DSR, DCD, RI): its driver does not provide them, as a pseudo-terminal does not (%2).</source>
        <translation>У %1 нет модемных линий (DTR, RTS, CTS, DSR, DCD, RI): их нет у его драйвера, как у псевдотерминала (%2).</translation>
    </message>
    <message>
        <source>%1: the modem lines cannot be read: %2</source>
        <translation>%1: модемные линии не удается прочитать: %2</translation>
    </message>
    <message>
        <source>%1 has no modem lines here.</source>
        <translation>У %1 здесь нет модемных линий.</translation>
    </message>
    <message>
        <source>%1: %2: %3</source>
        <translation>%1: %2: %3</translation>
    </message>
    <message>
        <source>DTR cannot be set</source>
        <translation>DTR не удается установить</translation>
    </message>
    <message>
        <source>DTR and RTS cannot be set</source>
        <translation>DTR и RTS не удается установить</translation>
    </message>
    <message>
        <source>the modem lines cannot be read</source>
        <translation>модемные линии не удается прочитать</translation>
    </message>
    <message>
        <source>the modem lines cannot be watched</source>
        <translation>за модемными линиями не удается следить</translation>
    </message>
    <message>
        <source>The port is not open.</source>
        <translation>Порт не открыт.</translation>
    </message>
    <message>
        <source>The board is being reset: wait for the reset to end.</source>
        <translation>Плата перезапускается: дождитесь конца перезапуска.</translation>
    </message>
    <message>
        <source>RTS cannot be set by hand while RTS/CTS flow control drives it. Choose another flow control first.</source>
        <translation>RTS нельзя переключить вручную, пока им управляет управление потоком RTS/CTS. Сначала выберите другое управление потоком.</translation>
    </message>
    <message>
        <source>The board cannot be reset into its boot loader while RTS/CTS flow control drives RTS. Choose another flow control first.</source>
        <translation>Плату нельзя перезапустить в загрузчик, пока линией RTS управляет управление потоком RTS/CTS. Сначала выберите другое управление потоком.</translation>
    </message>
</context>
<context>
    <name>Printing</name>
    <message>
        <source>Printing failed: the printer "%1" cannot be used.</source>
        <translation>Печать не удалась: принтер "%1" нельзя использовать.</translation>
    </message>
    <message>
        <source>Printing failed while starting page %1.</source>
        <translation>Печать не удалась при начале страницы %1.</translation>
    </message>
    <message>
        <source>Printing failed: the document could not be finished.</source>
        <translation>Печать не удалась: документ не удалось завершить.</translation>
    </message>
    <message>
        <source>Printing failed: the received text could not be read back from the cache folder.</source>
        <translation>Печать не удалась: принятый текст не удалось прочитать из папки кэша.</translation>
    </message>
</context>
<context>
    <name>Recorder</name>
    <message>
        <source>%1 cannot be written: the folder %2 does not exist.</source>
        <translation>%1 нельзя записать: папки %2 нет.</translation>
    </message>
    <message>
        <source>%1 cannot be written: it is not a file this user may write.</source>
        <translation>%1 нельзя записать: это не файл, который этот пользователь может записывать.</translation>
    </message>
    <message>
        <source>%1 cannot be written: this user may not write in the folder %2.</source>
        <translation>%1 нельзя записать: этот пользователь не может записывать в папку %2.</translation>
    </message>
</context>
<context>
    <name>Send</name>
    <message>
        <source>The port was closed while the file was being sent.</source>
        <translation>Порт закрыт во время отправки файла.</translation>
    </message>
    <message>
        <source>A file is being sent already: wait for it to end or cancel it.</source>
        <translation>Файл уже отправляется: дождитесь конца отправки или отмените ее.</translation>
    </message>
    <message>
        <source>%1 could not be read to its end: %2</source>
        <translation>Не удается дочитать %1 до конца: %2</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2. Nothing was sent.</source>
        <translation>Не удается прочитать %1: %2. Ничего не отправлено.</translation>
    </message>
    <message>
        <source>The port is not open: the file was not sent.</source>
        <translation>Порт не открыт: файл не отправлен.</translation>
    </message>
    <message>
        <source>The blank</source>
        <translation>Пробел</translation>
    </message>
    <message>
        <source>The tab</source>
        <translation>Табуляция</translation>
    </message>
    <message>
        <source>The line break</source>
        <translation>Перевод строки</translation>
    </message>
    <message>
        <source>The character U+%1</source>
        <translation>Символ U+%1</translation>
    </message>
    <message>
        <source>position %1</source>
        <translation>позиции %1</translation>
    </message>
    <message>
        <source>%1 (line %2, column %3)</source>
        <translation>%1 (строка %2, столбец %3)</translation>
    </message>
    <message>
        <source>The end of the text</source>
        <translation>Конец текста</translation>
    </message>
    <message>
        <source>%1 at %2 %3 Nothing was sent.</source>
        <translation>%1 в %2 %3 Ничего не отправлено.</translation>
    </message>
    <message>
        <source>Send hex takes bytes as pairs of the digits 0-9 and A-F, with blanks or line breaks between them (01 03 0A).</source>
        <translation>В режиме hex байты задаются парами цифр 0-9 и A-F, между ними пробелы или переводы строк (01 03 0A).</translation>
    </message>
    <message>
        <source>is not a hex digit. </source>
        <translation>не шестнадцатеричная цифра. </translation>
    </message>
    <message>
        <source>splits a byte. </source>
        <translation>разрывает байт. </translation>
    </message>
    <message>
        <source>comes in the middle of a byte. </source>
        <translation>приходится на середину байта. </translation>
    </message>
    <message>
        <source>Send with escapes knows \r, \n, \t, \\ and \xNN (two hex digits).</source>
        <translation>В режиме с escape-последовательностями допустимы \r, \n, \t, \\ и \xNN (две шестнадцатеричные цифры).</translation>
    </message>
    <message>
        <source>%1 at %2 has no byte in the Windows-1251 code page. Nothing was sent.</source>
        <translation>%1 в %2: в кодовой странице Windows-1251 для него нет байта. Ничего не отправлено.</translation>
    </message>
    <message>
        <source>is not the first hex digit of \x. </source>
        <translation>не первая шестнадцатеричная цифра \x. </translation>
    </message>
    <message>
        <source>is not the second hex digit of \x. </source>
        <translation>не вторая шестнадцатеричная цифра \x. </translation>
    </message>
    <message>
        <source>begins no escape. </source>
        <translation>не начинает escape-последовательность. </translation>
    </message>
    <message>
        <source>A file is being sent: wait for it to end or cancel it. Nothing else was sent.</source>
        <translation>Отправляется файл: дождитесь конца отправки или отмените ее. Ничего другого не отправлено.</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Settings cannot be saved to %1: the file or its folder is not writable. Changes made in this session will be lost when the program ends.</source>
        <translation>Настройки нельзя сохранить в %1: файл или его папка недоступны для записи. Изменения, сделанные в этом сеансе, будут потеряны при завершении программы.</translation>
    </message>
</context>
<context>
    <name>Store</name>
    <message>
        <source>there is no cache folder</source>
        <translation>нет папки кэша</translation>
    </message>
    <message>
        <source>the folder "%1" cannot be made</source>
        <translation>папку "%1" нельзя создать</translation>
    </message>
    <message>
        <source>no file can be made in "%1" (%2)</source>
        <translation>в "%1" нельзя создать файл (%2)</translation>
    </message>
    <message>
        <source>The received text cannot be kept on disk: %1. It is kept in memory until the disk takes it again; nothing received is lost.</source>
        <translation>Принятый текст нельзя хранить на диске: %1. Он хранится в памяти, пока диск снова не сможет его принять; ничего из принятого не потеряно.</translation>
    </message>
    <message>
        <source>The received text is kept on disk again.</source>
        <translation>Принятый текст снова хранится на диске.</translation>
    </message>
</context>
</TS>
