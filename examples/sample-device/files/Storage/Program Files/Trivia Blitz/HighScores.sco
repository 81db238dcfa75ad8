12|2|Trivia Blitz
Mira|870|Round: 9
Tobias|1020|Round: 11
c515a6170b7170c0eae1c9976363aa4a