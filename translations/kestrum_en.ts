<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>kestrum::Dialog</name>
    <message>
        <source>Kestrum предназначен для работы с асинхронным приемопередатчиком UART  различных микроконтроллеров по линиям Rx и Tx.
Автор: Kestrum, Новосибирск, kestrum@example.org</source>
        <translation>Kestrum for MC.
Author: Kestrum, Novosibirsk, kestrum@example.org</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>kestrum::Dialog1</name>
    <message>
        <source>Удаление ветки в реестре</source>
        <translation>Clear reestre</translation>
    </message>
    <message>
        <source>Будут удалены все настройки  пользователя из реестра. При следующей загрузке будут восстановлены значения по умолчанию.Продолжить?</source>
        <extracomment>Has no English text: stays Russian in the English interface.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kestrum::Dialog2</name>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Недопустимое значение</source>
        <translation>         Invalid value</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>kestrum::Dialog4</name>
    <message>
        <source>Сохранить изменения?</source>
        <translation>         Save changes?</translation>
    </message>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kestrum::DialogSendFile</name>
    <message>
        <source>Отправка файла</source>
        <translation>Sending a file</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Отправлено: %1 из %2 байт</source>
        <translation>Sent: %1 of %2 bytes</translation>
    </message>
    <message>
        <source>Скорость: —</source>
        <translation>Rate: —</translation>
    </message>
    <message>
        <source>Осталось: —</source>
        <translation>Time left: —</translation>
    </message>
    <message>
        <source>Скорость: %1 байт/с</source>
        <translation>Rate: %1 bytes/s</translation>
    </message>
    <message>
        <source>Осталось: %1</source>
        <translation>Time left: %1</translation>
    </message>
</context>
<context>
    <name>kestrum::FilterWindow</name>
    <message>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Что:</source>
        <translation>Find what:</translation>
    </message>
    <message>
        <source>С учетом регистра</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>Регулярное выражение</source>
        <translation>Regular expression</translation>
    </message>
    <message>
        <source>Не совпадающие</source>
        <translation>Not matching</translation>
    </message>
    <message>
        <source>Найденные строки</source>
        <translation>Lines found</translation>
    </message>
</context>
<context>
    <name>kestrum::FindDialog</name>
    <message>
        <source>Найти</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Что:</source>
        <translation>Find what:</translation>
    </message>
    <message>
        <source>С учетом регистра</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>Регулярное выражение</source>
        <translation>Regular expression</translation>
    </message>
    <message>
        <source>Направление</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Вверх</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Вниз</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>Найти далее</source>
        <translation>Find Next</translation>
    </message>
    <message>
        <source>Подсчитать</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kestrum::Form1</name>
    <message>
        <source>Файлы автосохранения</source>
        <translation>Autosave files</translation>
    </message>
    <message>
        <source>Один файл</source>
        <translation>One file</translation>
    </message>
    <message>
        <source>Новый файл каждый день</source>
        <translation>A new file each day</translation>
    </message>
    <message>
        <source>Новый файл при размере</source>
        <translation>A new file at a size</translation>
    </message>
    <message>
        <source>Размер файла...</source>
        <translation>File size...</translation>
    </message>
    <message>
        <source>Размер файла</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>Новый файл при размере, МБ:</source>
        <translation>A new file at a size of, MB:</translation>
    </message>
    <message>
        <source>События порта в журнале</source>
        <translation>Port events in the log</translation>
    </message>
    <message>
        <source>Время с миллисекундами</source>
        <translation>Time with milliseconds</translation>
    </message>
    <message>
        <source>Время с прошлого сообщения</source>
        <translation>Time since the last message</translation>
    </message>
    <message>
        <source>Счетчик сообщений</source>
        <translation>Message counter</translation>
    </message>
    <message>
        <source>Английский/English</source>
        <translation>Английский/English</translation>
    </message>
    <message>
        <source>Русский/Russian</source>
        <translation>Руссский/Russian</translation>
    </message>
    <message>
        <source>Язык/Language</source>
        <translation>Язык/Language</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Открыть...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>Открыть (Блокнот)...</source>
        <translation>Open (Blocknot)...</translation>
    </message>
    <message>
        <source>Сохранить...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>Сохранить как...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>Печать</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Baud Rate</translation>
    </message>
    <message>
        <source>Четность</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>Инфо биты</source>
        <translation>Data Bits</translation>
    </message>
    <message>
        <source>Стоп биты</source>
        <translation>Stop Bits</translation>
    </message>
    <message>
        <source>Сообщения для отправки</source>
        <translation>Transmit</translation>
    </message>
    <message>
        <source>Принятые сообщения</source>
        <translation>Recived</translation>
    </message>
    <message>
        <source>Открыть порт</source>
        <translation>Open Port</translation>
    </message>
    <message>
        <source>Закрыть порт</source>
        <translation>Close Port</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Параметры...</source>
        <translation>Options...</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Установки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Порты...</source>
        <translation>Ports...</translation>
    </message>
    <message>
        <source>Правка</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Найти...</source>
        <translation>Find...</translation>
    </message>
    <message>
        <source>Найти далее</source>
        <translation>Find Next</translation>
    </message>
    <message>
        <source>Найти ранее</source>
        <translation>Find Previous</translation>
    </message>
    <message>
        <source>Сохранение документа...</source>
        <translation>Saving the document...</translation>
    </message>
    <message>
        <source>Открытие документа...</source>
        <translation>Opening the document...</translation>
    </message>
    <message>
        <source>Передача</source>
        <translation>Transmit</translation>
    </message>
    <message>
        <source>Вид</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>Отправлять как текст</source>
        <translation>Send as text</translation>
    </message>
    <message>
        <source>Отправлять hex</source>
        <translation>Send hex</translation>
    </message>
    <message>
        <source>Отправлять с escape-последовательностями</source>
        <translation>Send with escapes</translation>
    </message>
    <message>
        <source>Отправить файл…</source>
        <translation>Send file…</translation>
    </message>
    <message>
        <source>Отправить break</source>
        <translation>Send break</translation>
    </message>
    <message>
        <source>Отправить файл</source>
        <translation>Send a file</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Печать документа...</source>
        <translation>Printing the document...</translation>
    </message>
    <message>
        <source>включена</source>
        <translation>on</translation>
    </message>
    <message>
        <source>выключена</source>
        <translation>off</translation>
    </message>
    <message>
        <source>Конец строки</source>
        <translation>Line ending</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>None</translation>
    </message>
    <message>
        <source>CR</source>
        <translation>CR</translation>
    </message>
    <message>
        <source>LF</source>
        <translation>LF</translation>
    </message>
    <message>
        <source>CR LF</source>
        <translation>CR LF</translation>
    </message>
    <message>
        <source>Enter отправляет (Shift+Enter: новая строка)</source>
        <translation>Enter sends (Shift+Enter: new line)</translation>
    </message>
    <message>
        <source>Управление потоком</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <source>RTS/CTS</source>
        <translation>RTS/CTS</translation>
    </message>
    <message>
        <source>XON/XOFF</source>
        <translation>XON/XOFF</translation>
    </message>
    <message>
        <source>DTR</source>
        <translation>DTR</translation>
    </message>
    <message>
        <source>RTS</source>
        <translation>RTS</translation>
    </message>
    <message>
        <source>Сбросить плату (импульс DTR)</source>
        <translation>Reset the board (DTR pulse)</translation>
    </message>
    <message>
        <source>Сбросить в загрузчик (ESP32/ESP8266)</source>
        <translation>Reset into the boot loader (ESP32/ESP8266)</translation>
    </message>
    <message>
        <source>Сигналы линии</source>
        <translation>Line signals</translation>
    </message>
    <message>
        <source>CTS: другая сторона готова принять</source>
        <translation>CTS: the other end is ready to receive</translation>
    </message>
    <message>
        <source>DSR: другая сторона включена</source>
        <translation>DSR: the other end is on</translation>
    </message>
    <message>
        <source>DCD: несущая обнаружена</source>
        <translation>DCD: carrier detected</translation>
    </message>
    <message>
        <source>RI: звонок</source>
        <translation>RI: ring</translation>
    </message>
    <message>
        <source>DTR: этот конец готов</source>
        <translation>DTR: this end is ready</translation>
    </message>
    <message>
        <source>RTS: этот конец просит передачу</source>
        <translation>RTS: this end asks to send</translation>
    </message>
</context>
<context>
    <name>kestrum::Form2</name>
    <message>
        <source>Параметры</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Строки</source>
        <translation>Strings</translation>
    </message>
    <message>
        <source>Авто</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Проверки</source>
        <translation>Checking</translation>
    </message>
    <message>
        <source>Другие</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Отправленные строки</source>
        <translation>Sending strings</translation>
    </message>
    <message>
        <source>Отображать отправленные строки</source>
        <translation>View strings sendind</translation>
    </message>
    <message>
        <source>Отображать дату</source>
        <translation>View Date</translation>
    </message>
    <message>
        <source>Отображать время</source>
        <translation>View Time</translation>
    </message>
    <message>
        <source>Отображать размер*</source>
        <translation>View Size*</translation>
    </message>
    <message>
        <source>Принятые строки</source>
        <translation>Recieved strings</translation>
    </message>
    <message>
        <source>Отображать размер строки*</source>
        <translation>View Size*</translation>
    </message>
    <message>
        <source>*Размер строки отображается как для кодировки ANSI</source>
        <translation>*For ANSI</translation>
    </message>
    <message>
        <source>Параметры автосохранения</source>
        <translation>Parametres</translation>
    </message>
    <message>
        <source>Сохранять изменения автоматически</source>
        <translation>Autosave</translation>
    </message>
    <message>
        <source>Обзор</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Длина строк</source>
        <translation>Long size</translation>
    </message>
    <message>
        <source>Включить проверку длины отправленных строк</source>
        <translation>Check long sending strings ON</translation>
    </message>
    <message>
        <source>Максимальный размер отправляемого сообщения в кодировке ANSI</source>
        <translation>Max long sending strings</translation>
    </message>
    <message>
        <source>Таймаут для принятых сообщений, мс</source>
        <translation>Timeout for recieved strings, ms</translation>
    </message>
    <message>
        <source>Изменение данного параметра может привести к некорректному приему данных. Таймаут должен быть больше времени передачи сообщения в COM порт внешним устройством</source>
        <extracomment>Has no English text: stays Russian in the English interface.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Буферы</source>
        <translation>Buffers</translation>
    </message>
    <message>
        <source>Размер буфера входящих сообщений</source>
        <translation>Buffer InSize</translation>
    </message>
    <message>
        <source>Размер буфера исходящих сообщений</source>
        <translation>Buffer OutSize</translation>
    </message>
    <message>
        <source>Аппаратные настройки COM</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>Null Discard</source>
        <translation>Null Discard</translation>
    </message>
    <message>
        <source>RTSE Enable</source>
        <translation>RTSE Enable</translation>
    </message>
    <message>
        <source>DTRE Enable</source>
        <translation>DTRE Enable</translation>
    </message>
    <message>
        <source>Очистить реестр</source>
        <translation>Clear reestre</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>Автосохранение в: </source>
        <translation>Autosave in: </translation>
    </message>
</context>
<context>
    <name>kestrum::Form3</name>
    <message>
        <source>Устройства</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>Порты</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>№</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Устройство</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Производитель</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>Серийный номер</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>VID:PID</source>
        <translation>VID:PID</translation>
    </message>
    <message>
        <source>Постоянное имя</source>
        <translation>Stable name</translation>
    </message>
    <message>
        <source>Какое устройство открывает порт</source>
        <translation>The device each port opens</translation>
    </message>
    <message>
        <source>Выбор вступает в силу при следующем открытии порта. Окно не открывает устройства.</source>
        <translation>A choice takes effect the next time the port is opened. This window opens no device.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>absent</translation>
    </message>
    <message>
        <source>не подключено</source>
        <translation>not connected</translation>
    </message>
    <message>
        <source>%1-е подключенное устройство</source>
        <translation>device %1 present</translation>
    </message>
    <message>
        <source>%1 (не подключено)</source>
        <translation>%1 (absent)</translation>
    </message>
    <message>
        <source>Описание: %1</source>
        <translation>Description: %1</translation>
    </message>
    <message>
        <source>Производитель: %1</source>
        <translation>Manufacturer: %1</translation>
    </message>
    <message>
        <source>Серийный номер: %1</source>
        <translation>Serial number: %1</translation>
    </message>
    <message>
        <source>VID:PID %1</source>
        <translation>VID:PID %1</translation>
    </message>
    <message>
        <source>COM%1: нет устройства</source>
        <translation>COM%1: no device</translation>
    </message>
    <message>
        <source>выбрано в окне &quot;Порты&quot;</source>
        <translation>chosen in the Ports window</translation>
    </message>
    <message>
        <source>задано в командной строке</source>
        <translation>given on the command line</translation>
    </message>
    <message>
        <source>Устройство не подключено</source>
        <translation>The device is not connected</translation>
    </message>
</context>
<context>
    <name>kestrum::HighlightsWindow</name>
    <message>
        <source>Подсветка</source>
        <translation>Highlights</translation>
    </message>
    <message>
        <source>Вкл.</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Выражение</source>
        <translation>Expression</translation>
    </message>
    <message>
        <source>Рег. выражение</source>
        <translation>Reg. expression</translation>
    </message>
    <message>
        <source>С учетом регистра</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>Цвет текста</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>Цвет фона</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Выше</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Ниже</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kestrum::ReceivedBox</name>
    <message>
        <source>Копирование выделенного текста...</source>
        <translation>Copying the selection...</translation>
    </message>
    <message>
        <source>Только чтение: шестнадцатеричный вид</source>
        <translation>Read-only: hex view</translation>
    </message>
</context>
<context>
    <name>kestrum::SendBoxHistory</name>
    <message>
        <source>Отправленные</source>
        <translation>Sent</translation>
    </message>
</context>
<context>
    <name>kestrum::Form1</name>
    <message>
        <source>Цвета</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>Подсветка…</source>
        <translation>Highlights…</translation>
    </message>
    <message>
        <source>Фильтр…</source>
        <translation>Filter…</translation>
    </message>
</context>
</TS>
