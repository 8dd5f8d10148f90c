@echo off
rem Puts the program beside this script into a shared board folder, also
rem while boards run there. Only program files change: the schedule, the
rem settings, the help and the backups stay as they are.
rem   Upgrade.cmd <shared folder>
rem Windows will not overwrite or delete a program that is running, but it
rem will rename it: the old program files move into old-<n> first, and the
rem new ones are copied in, the executable last, so a board that starts
rem meanwhile finds either no executable or the whole new program.
rem Each step is checked through errorlevel, not "||", which Wine's cmd
rem gets wrong for its built-in commands.
setlocal EnableExtensions
set "src=%~dp0"
if "%src:~-1%"=="\" set "src=%src:~0,-1%"
set "dst=%~f1"
if "%dst:~-1%"=="\" set "dst=%dst:~0,-1%"
if "%~1"=="" (
    echo Usage: Upgrade.cmd ^<shared folder^>
    exit /b 2
)
if not exist "%dst%\gsystem\sgrid.scd" (
    echo "%dst%" holds no board: gsystem\sgrid.scd is missing.
    exit /b 2
)
if /i "%src%"=="%dst%" (
    echo Unpack the new version into a folder of its own and run its Upgrade.cmd from there.
    exit /b 2
)
if not exist "%src%\SchedBoard.exe" (
    echo "%src%" holds no SchedBoard.exe to install.
    exit /b 2
)

set n=1
:free
if exist "%dst%\old-%n%" (
    set /a n+=1
    goto free
)
set "old=%dst%\old-%n%"
mkdir "%old%"
if errorlevel 1 goto unchanged
mkdir "%old%\platforms"
if errorlevel 1 goto unchanged
mkdir "%old%\styles"
if errorlevel 1 goto unchanged

echo Moving the old program into "%old%" ...
rem Wildcards only unquoted and relative to the current folder: Wine's cmd
rem matches nothing with a quoted pattern.
pushd "%dst%"
if errorlevel 1 goto unchanged
if exist SchedBoard.exe move /y SchedBoard.exe "%old%\" >nul
if errorlevel 1 goto restore
for %%f in (*.dll platforms\*.dll styles\*.dll) do (
    move /y "%%f" "%old%\%%f" >nul
    if errorlevel 1 goto restore
)
popd

echo Copying the new program ...
if not exist "%dst%\platforms" mkdir "%dst%\platforms"
if not exist "%dst%\styles" mkdir "%dst%\styles"
if not exist "%dst%\licences" mkdir "%dst%\licences"
pushd "%src%"
if errorlevel 1 goto failed
for %%f in (*.dll platforms\*.dll styles\*.dll licences\* README.txt Upgrade.cmd SchedBoard.exe) do (
    copy /y "%%f" "%dst%\%%f" >nul
    if errorlevel 1 goto failed
)
popd

echo Done. Boards that are running keep the old program until they are closed;
echo every board started from now on runs the new one. Delete "%old%"
echo once every board has been closed and started again.
exit /b 0

:restore
echo A program file could not be moved aside: putting back what was moved.
pushd "%old%"
for %%f in (*.exe *.dll platforms\*.dll styles\*.dll) do move /y "%%f" "%dst%\%%f" >nul
popd
:unchanged
rem Without /s: a folder that still holds a file that could not go back stays.
rd "%old%\platforms" 2>nul
rd "%old%\styles" 2>nul
rd "%old%" 2>nul
if exist "%old%" (
    echo Some old program files could not be put back: they are in "%old%".
    echo Move them back to "%dst%" by hand before a board starts there.
    exit /b 1
)
echo Nothing was changed. Close the boards, or check the rights on "%dst%", and run this again.
exit /b 1

:failed
echo Copying the new program failed: the old one is in "%old%".
echo Free some room or check the rights on "%dst%", then run this again,
echo or move the files of "%old%" back to put the old program back.
exit /b 1
