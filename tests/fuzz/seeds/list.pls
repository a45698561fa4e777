[playlist]
NumberOfEntries=2
File1=http://127.0.0.1:8000/a
Title1=Bir
File2=b.mp3
